#include "browse/navigation_policy.h"

#include <cstdint>
#include <utility>

#include "browse/page_commands.h"
#include "common/address.h"
#include "common/text.h"

namespace panelia {

std::vector<std::string> KioskFolders(const std::string& module_directory, const std::string& home_address) {
  std::vector<std::string> folders{module_directory};
  // A home written as a bare path is a local file too.
  std::string home = std::string(TrimSpaces(home_address));
  std::string site = SiteOf(!home.empty() && home.front() == '/' ? "file://" + home : home);
  if (site.starts_with("file://")) {
    std::string path = LocalPathOf(site);
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (!path.empty()) folders.push_back(path);
  }
  return folders;
}

bool NavigationPolicy::MayOpen(const std::string& uri, const std::string& from_page, bool own_load,
                               std::string& refusal) {
  // Every navigation passes here: the file system is asked only about local addresses.
  bool local = AsciiLower(std::string_view(uri).substr(0, 5)) == "file:";
  if (MayOpenLocalFile(uri, from_page, own_load, local && files_.IsFolder(uri))) {
    // A visitor's page keeps to the kiosk's own folders; the operator's own loads go anywhere.
    if (!local || own_load || !folders_) return true;
    std::vector<std::string> folders;
    for (const auto& folder : folders_())
      if (auto resolved = files_.ResolvedPath(folder); !resolved.empty()) folders.push_back(resolved);
    if (IsInsideFolders(files_.ResolvedPathOf(uri), folders)) return true;
  }
  refusal = "refused to open " + ShortAddress(uri) + " from " +
            (from_page.empty() ? std::string("(no page)") : ShortAddress(from_page));
  return false;
}

NavigationVerdict NavigationPolicy::Decide(const NavigationRequest& request) {
  NavigationVerdict verdict;
  if (std::exchange(quiet_load_, false)) {
    verdict.checked = false;
    return verdict;
  }
  const bool kiosk_load = std::exchange(own_load_, false);
  // Back, Forward and Reload go where the view has been already.
  bool own_load = kiosk_load || request.kind == NavigationKind::BackForward || request.kind == NavigationKind::Reload;
  verdict.refused = !MayOpen(request.uri, request.from_page, own_load, verdict.refusal);
  // Only a link a visitor touched: a form sent, a script, a redirect or a pop-up are the page's doing.
  verdict.origin.touched_link = request.kind == NavigationKind::LinkClicked && request.user_gesture;
  verdict.origin.from_page = request.from_page;
  // The kiosk's own loads, not Back, Forward or Reload: those may lead to any page a visitor saw.
  verdict.origin.kiosk_page = kiosk_load || (verdict.origin.touched_link && on_error_page_);
  return verdict;
}

NavigationPolicy::NewWindow NavigationPolicy::DecideNewWindow(const std::string& uri, bool user_gesture,
                                                              const std::string& from_page, uint64_t now_ms,
                                                              bool own_windows, std::string& log) {
  if (own_windows) return NewWindow::OwnWindow;
  if (!user_gesture && !popups_.MayShow(now_ms)) {
    if (!std::exchange(popup_refusal_said_, true))
      log = "a page keeps opening windows by itself; refused until the next visitor";
    return NewWindow::Refused;
  }
  if (uri.empty() || uri == "about:blank") return NewWindow::StandIn;
  if (!MayOpen(uri, from_page, false, log)) return NewWindow::Refused;
  return NewWindow::InTheView;
}

bool NavigationPolicy::MayPrint(uint64_t now_ms, std::string& log) {
  if (prints_.MayShow(now_ms)) return true;
  if (!std::exchange(print_refusal_said_, true)) log = "a page keeps asking to print; refused until the next visitor";
  return false;
}

void NavigationPolicy::OnNewVisitor() {
  popups_.Reset();
  prints_.Reset();
  popup_refusal_said_ = print_refusal_said_ = false;
}

}  // namespace panelia
