// Which navigations a view lets through, and how each came about: the kiosk's own loads (home, the
// bar's commands, the loop) go anywhere; a page's links and scripts keep to the local-file fence
// (local files only from a local page, never a folder, and only inside the kiosk's folders); the
// origin the command-link rule judges is told here.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "browse/command_links.h"
#include "browse/script_dialogs.h"

namespace panelia {

// The file system as the fence asks it.
class LocalFileSystem {
 public:
  virtual ~LocalFileSystem() = default;
  // Whether the file: address names a folder.
  virtual bool IsFolder(const std::string& uri) = 0;
  // The path with every link resolved as far as it exists; "" when there is none.
  virtual std::string ResolvedPath(const std::string& path) = 0;
  // The same for a file: address; "" for an address that is no local path.
  virtual std::string ResolvedPathOf(const std::string& uri) = 0;
};

enum class NavigationKind { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };

struct NavigationRequest {
  std::string uri;
  NavigationKind kind = NavigationKind::Other;
  bool user_gesture = false;
  std::string from_page;  // the view's address when it was asked
};

struct NavigationVerdict {
  bool checked = true;  // false: the kiosk's own quiet page, asked about nowhere
  bool refused = false;
  std::string refusal;  // the log's line when refused
  NavigationOrigin origin;
};

// The folders a visitor's local page may open files in: the program folder, and the home page's
// folder when the home page is a local file (an address or a bare path).
std::vector<std::string> KioskFolders(const std::string& module_directory, const std::string& home_address);

class NavigationPolicy {
 public:
  // `folders` gives the kiosk's folders when asked (none set: no such fence).
  NavigationPolicy(LocalFileSystem& files, std::function<std::vector<std::string>()> folders)
      : files_(files), folders_(std::move(folders)) {}

  // The kiosk asks for a load: the next navigation is its own.
  void OnKioskLoad() { own_load_ = true; }
  // A load a page asked for (its pop-up, opened here): judged as the page's.
  void OnPageLoad() { own_load_ = false; }
  // The kiosk shows its out-of-service page: the next navigation is asked about nowhere.
  void OnQuietLoad() { quiet_load_ = true; }
  // The kiosk's "cannot be shown" page is being shown: its link is the kiosk's own.
  void OnErrorPageShown() { error_page_next_ = true; }
  // A load was committed: whether it was that page.
  void OnCommitted() { on_error_page_ = std::exchange(error_page_next_, false); }

  NavigationVerdict Decide(const NavigationRequest& request);

  // Where a window a page asks for opens: in a window of its own (the bar's page, the operator's),
  // nowhere, in the view (its address known), or in a hidden stand-in whose first navigation comes to
  // the view. A visitor's touch always opens its pop-up; a script's own get a few a minute, then none
  // until the next visitor. `log` gets a line to write, once per refusal streak.
  enum class NewWindow { OwnWindow, Refused, InTheView, StandIn };
  NewWindow DecideNewWindow(const std::string& uri, bool user_gesture, const std::string& from_page, uint64_t now_ms,
                            bool own_windows, std::string& log);
  // Whether a page's own print request goes through (a print loop would bury the kiosk in boxes).
  bool MayPrint(uint64_t now_ms, std::string& log);
  // A new visitor: pop-ups and prints start afresh.
  void OnNewVisitor();

 private:
  bool MayOpen(const std::string& uri, const std::string& from_page, bool own_load, std::string& refusal);

  LocalFileSystem& files_;
  std::function<std::vector<std::string>()> folders_;
  bool own_load_ = false;
  bool quiet_load_ = false;
  bool error_page_next_ = false;
  bool on_error_page_ = false;
  RequestGate popups_{RequestGate::kPopUps};
  RequestGate prints_{RequestGate::kPrints};
  bool popup_refusal_said_ = false;
  bool print_refusal_said_ = false;
};

}  // namespace panelia
