// One web view's rules, apart from the engine that shows it: which navigations go through and how
// each came about, what a page may raise on its own (dialogs, windows, prints, downloads, files), what
// a finger reaches, when a silent page process is ended, and how the pages come back after their
// process died. The engine's adapter hands every fact it gets here and does what it is told.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browse/crash_backoff.h"
#include "browse/navigation_policy.h"
#include "browse/offline_watch.h"
#include "browse/page_messages.h"
#include "browse/ports.h"
#include "browse/script_dialogs.h"
#include "browse/touch_gate.h"

namespace panelia {

// The waits the controller asks its engine for; each is one-shot, and asking again restarts it.
enum class BrowserTimer { Leave, Recovery, NetworkTry };

// What the controller asks of the engine behind one web view.
class WebEngine {
 public:
  virtual ~WebEngine() = default;
  virtual void Load(const std::string& address) = 0;
  // The kiosk's own pages, which no list is asked about.
  enum class OwnPage { OutOfService, Waiting };
  virtual void ShowOwnPage(OwnPage page) = 0;
  // The neutral "cannot be shown" page in place of the address that failed.
  virtual void ShowCannotShow(const std::string& failing_address) = 0;
  // The offline page in place of the address the network failed: why, and when the kiosk tries again.
  virtual void ShowOffline(const std::string& failing_address, NetworkProblem why, uint64_t next_try_ms) = 0;
  // Whether the network reaches the address now, without the view: the answer comes to
  // OnNetworkProbed.
  virtual void ProbeNetwork(const std::string& address) = 0;
  virtual void Back() = 0;
  virtual void Forward() = 0;
  virtual void StopLoading() = 0;
  virtual void Reload() = 0;
  // A question only the page process's main thread answers; the answer comes to OnProcessAnswered.
  virtual void AskProcess() = 0;
  virtual void EndProcess() = 0;
  // The page's open dialog boxes answer as Cancel does (the page waits on them).
  virtual void AnswerPageBoxes() = 0;
  virtual void StartTimer(BrowserTimer timer, int milliseconds) = 0;
  virtual std::string Address() const = 0;
  virtual std::string Title() const = 0;
};

// What the kiosk lets this view do; read once, as the engine sets up its views once.
struct BrowsingRules {
  bool kiosk_site = false;  // the kiosk's own host: its menu instead of the engine's
  // Pop-ups open in windows of their own (the bar's pop-ups) instead of being handed to the events.
  bool own_popup_windows = false;
  // No menu at all on a right click or a long press (the bar: its buttons must not offer "Open Link
  // in New Window").
  bool no_context_menu = false;
  bool pinch_zoom = false;                    // two fingers may zoom the page
  bool long_press_menu = false;               // a long press may open the menu
  std::function<std::string()> browser_home;  // the browser's own home page
  // The folders a visitor's page may open local files in; none set: no such limit.
  std::function<std::vector<std::string>()> local_folders;
  // After the page process died: the first wait after a quiet time (0: at once; the bar, which the
  // visitor needs to get anywhere), and whether the kiosk's waiting page covers the broken one.
  int recovery_first_ms = CrashBackoff::kFirstMs;
  bool waiting_page = true;
  // Someone uses the kiosk: a page the network gives back waits for the next idle return rather
  // than replacing what they look at. None: nobody ever does (a view no visitor touches).
  std::function<bool()> visitor_present;
  // The operator's sites whose pages may use the camera and microphone; none: no page may.
  std::vector<std::string> media_sites;
};

// Why a page process ended.
enum class ProcessEnd { Crashed, OutOfMemory, EndedByKiosk };

class BrowserController final : public BrowserControl {
 public:
  BrowserController(WebEngine& engine, BrowserEvents& events, LocalFileSystem& files, BrowsingRules rules,
                    std::function<uint64_t()> now_ms);

  const BrowsingRules& Rules() const { return rules_; }

  // BrowserControl: the kiosk's own moves.
  void Navigate(const std::string& url) override;
  void NavigateForPage(const std::string& url) override;
  void GoHome() override;
  void GoBack() override;
  void GoForward() override;
  void Stop() override { engine_.StopLoading(); }
  void Refresh() override { engine_.Reload(); }
  std::string LocationUrl() const override { return engine_.Address(); }
  std::string LocationName() const override { return engine_.Title(); }

  // A navigation the engine asks about: false refuses it.
  bool OnNavigationAsked(const NavigationRequest& request);
  // A response arrived: false refuses it (the kiosk shows pages; it never saves what it cannot show).
  bool MayShowResponse(const std::string& address, bool attachment, bool type_supported);
  void OnCommitted();
  void OnFinished();
  void OnTitleChanged();
  // A load failed: true when the kiosk's neutral page is now shown for it.
  // `problem`: why the network failed it, for LoadFailure::Network.
  bool OnLoadFailed(LoadFailure failure, const std::string& failing_address, const std::string& reason,
                    NetworkProblem problem = NetworkProblem::NoProblem);
  // The system says the network is back (a cable, a Wi-Fi, a VPN): the offline page tries at once.
  void OnNetworkAvailable();
  void OnNetworkProbed(NetworkProblem problem);
  const OfflineWatch& Offline() const { return offline_; }
  uint64_t OfflineMsNow() const { return offline_.OfflineMs(now_ms_()); }

  // A page's script dialog: answered unseen, or shown in a box that asks (OK, Cancel) or tells (OK)
  // and answers itself after ScriptDialogGate::kShownMs.
  struct DialogStep {
    std::optional<ScriptDialogAnswer> unseen;
    bool question = false;
  };
  DialogStep OnScriptDialog(ScriptDialogKind kind);

  // A window a page asks for. StandIn: a hidden view takes it, and its first real navigation comes
  // to OnStandInNavigation.
  NavigationPolicy::NewWindow OnNewWindow(const std::string& address, bool user_gesture);
  enum class StandInStep { NotYet, Let, Refuse };
  StandInStep OnStandInNavigation(const std::string& address);

  // What a page asks that the kiosk never grants a visitor: false.
  bool MayPrint();
  bool MayChooseFile();
  static bool MayDownloadAnything(const std::string& address);
  bool MayLockPointer();
  // A page of `page_address` asks for the camera or the microphone (or a screen): only the operator's
  // media sites get them, and only the devices they ask for; the grant ends with the view (the next
  // visitor's page is asked again).
  bool MayCapture(const std::string& page_address, bool screen);

  // A finger's event: false swallows it before the page and the engine's gestures see it.
  bool OnTouch(TouchGate::Phase phase, uintptr_t finger) { return touch_gate_.Passes(phase, finger); }
  void OnMousePress() { touch_gate_.OnMousePress(); }
  // The page asks for a menu; Kiosk: the events have shown the kiosk's own.
  MenuAnswer OnMenuAsked();
  // A message of the kiosk's page script; `view_x`, `view_y`: the view's place on the screen.
  void OnPageMessage(const std::string& text, const std::string& close_token, int view_x, int view_y);

  void OnHeartbeat();
  void OnProcessAnswered() { hang_watch_.OnAnswer(); }
  void OnProcessEnded(ProcessEnd why);
  void OnTimer(BrowserTimer timer);
  // A new visitor: the engine's view is about to be replaced; pop-ups and prints start afresh.
  void OnNewVisitor() { policy_.OnNewVisitor(); }
  // The engine put a new view (and process) in place of the old one.
  void OnNewView();

  // How often the page process ended, how often for not answering, and why it last did.
  int ProcessDeaths() const { return process_deaths_; }
  int ProcessHangs() const { return process_hangs_; }
  const std::string& LastProcessEnd() const { return last_process_end_; }

 private:
  // The kiosk leaves the page: its boxes are answered, and a process that no longer answers is ended
  // and `again` redone in a new one.
  void Leave(std::function<void()> again);
  void KioskLoad(const std::string& address);
  void TryNetwork();

  WebEngine& engine_;
  BrowserEvents& events_;
  BrowsingRules rules_;
  std::function<uint64_t()> now_ms_;
  NavigationPolicy policy_;
  ScriptDialogGate dialog_gate_;
  TouchGate touch_gate_;
  HangWatch hang_watch_;
  PageRecovery recovery_;
  OfflineWatch offline_;
  bool offline_page_next_ = false;  // the next commit is the offline page's, not a page back
  bool probing_ = false;
  bool ended_to_leave_ = false;
  std::function<void()> leave_again_;
  int process_deaths_ = 0, process_hangs_ = 0;
  std::string last_process_end_;
};

// The most memory a page process may take before it is ended: half the machine's, between 256 MiB
// and 1.5 GiB (the demo's home page runs in about 150 MiB and a heavy web page in a few hundred; a
// page past this is running away).
unsigned PageMemoryLimitMiB(uint64_t machine_mib);

}  // namespace panelia
