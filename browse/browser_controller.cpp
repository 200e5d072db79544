#include "browse/browser_controller.h"

#include <algorithm>
#include <utility>

#include "browse/command_links.h"
#include "common/address.h"
#include "common/log.h"
#include "common/text.h"

namespace panelia {

BrowserController::BrowserController(WebEngine& engine, BrowserEvents& events, LocalFileSystem& files,
                                     BrowsingRules rules, std::function<uint64_t()> now_ms)
    : engine_(engine),
      events_(events),
      rules_(std::move(rules)),
      now_ms_(std::move(now_ms)),
      policy_(files, rules_.local_folders),
      touch_gate_(rules_.pinch_zoom),
      recovery_(rules_.recovery_first_ms) {}

void BrowserController::KioskLoad(const std::string& address) {
  // The latch is consumed by the next navigation the engine asks about: this load's.
  policy_.OnKioskLoad();
  engine_.Load(address);
}

void BrowserController::Navigate(const std::string& url) {
  if (TrimSpaces(url).empty()) {
    // No address to go to: the settings are missing or cannot be read (said on standard error).
    // A neutral page, never a blank white one; the lists are not asked about it.
    Log("no address to show (the home page is not set or the settings cannot be read)");
    policy_.OnQuietLoad();
    engine_.ShowOwnPage(WebEngine::OwnPage::OutOfService);
    return;
  }
  std::string address = NormalizeAddress(url);
  KioskLoad(address);
  Leave([this, address] { KioskLoad(address); });
}

void BrowserController::NavigateForPage(const std::string& url) {
  policy_.OnPageLoad();
  engine_.Load(NormalizeAddress(url));
}

void BrowserController::GoHome() {
  std::string home = rules_.browser_home ? rules_.browser_home() : std::string();
  Navigate(home.empty() ? "about:blank" : home);
}

void BrowserController::GoBack() {
  engine_.Back();
  Leave([this] { engine_.Back(); });
}

void BrowserController::GoForward() {
  engine_.Forward();
  Leave([this] { engine_.Forward(); });
}

void BrowserController::Leave(std::function<void()> again) {
  engine_.AnswerPageBoxes();
  if (!hang_watch_.OnLeave(now_ms_())) return;
  leave_again_ = std::move(again);
  engine_.AskProcess();
  engine_.StartTimer(BrowserTimer::Leave, static_cast<int>(HangWatch::kLeaveMs));
}

bool BrowserController::OnNavigationAsked(const NavigationRequest& request) {
  NavigationVerdict verdict = policy_.Decide(request);
  if (!verdict.checked) return true;
  if (verdict.refused) Log("%s", verdict.refusal.c_str());
  bool cancel = verdict.refused;
  // While the pages come back, the waiting page's navigations are not the visitor's: no list, bar or
  // music question is asked for them.
  if (!recovery_.Recovering()) events_.OnBeforeNavigate(request.uri, cancel, verdict.origin);
  return !cancel;
}

bool BrowserController::MayShowResponse(const std::string& address, bool attachment, bool type_supported) {
  if (!attachment && type_supported) return true;
  Log("%s was refused: %s", address.empty() ? "(no address)" : ShortAddress(address).c_str(),
      attachment ? "the site sent it as a file to save" : "the kiosk cannot show its type");
  return false;
}

void BrowserController::OnCommitted() {
  if (!std::exchange(offline_page_next_, false) && !recovery_.Recovering()) {
    if (offline_.Offline()) Log("the network is back: %s is shown", ShortAddress(engine_.Address()).c_str());
    offline_.OnPageShown(now_ms_());
  }
  hang_watch_.OnSignOfLife();  // the process has a page: it may be judged
  policy_.OnCommitted();
  dialog_gate_.OnNewPage();
  if (!recovery_.Recovering()) events_.OnNavigateComplete(engine_.Address());
}

void BrowserController::OnFinished() {
  if (!recovery_.Recovering()) events_.OnDocumentComplete(engine_.Address());
}

void BrowserController::OnTitleChanged() {
  events_.OnTitleChange(engine_.Title());
}

bool BrowserController::OnLoadFailed(LoadFailure failure, const std::string& failing_address, const std::string& reason,
                                     NetworkProblem problem) {
  if (failure == LoadFailure::Network) {
    const uint64_t wait = offline_.OnFailure(failing_address, problem, now_ms_());
    Log("%s could not be reached (%s: %s); trying again in %llu s",
        failing_address.empty() ? "(no address)" : ShortAddress(failing_address).c_str(),
        std::string(ProblemName(problem)).c_str(), reason.empty() ? "no detail" : ShortAddress(reason).c_str(),
        static_cast<unsigned long long>(wait / 1000));
    // Its links (the way home) are the kiosk's own, as the neutral page's are.
    policy_.OnErrorPageShown();
    offline_page_next_ = true;
    engine_.ShowOffline(failing_address, problem, wait);
    engine_.StartTimer(BrowserTimer::NetworkTry, static_cast<int>(wait));
    return true;
  }
  if (!ShowsNeutralPage(failure)) return false;
  Log("%s could not be shown: %s", failing_address.empty() ? "(no address)" : ShortAddress(failing_address).c_str(),
      reason.empty() ? "unknown reason" : ShortAddress(reason).c_str());
  // The engine's own error page would show local paths and its wording: a neutral page with a way
  // home instead, whose link is the kiosk's own.
  policy_.OnErrorPageShown();
  engine_.ShowCannotShow(failing_address);
  return true;
}

BrowserController::DialogStep BrowserController::OnScriptDialog(ScriptDialogKind kind) {
  if (!ShowsBox(kind) || !dialog_gate_.MayShow(now_ms_())) return {AnswerUnseen(kind), false};
  return {std::nullopt, AsksQuestion(kind)};
}

NavigationPolicy::NewWindow BrowserController::OnNewWindow(const std::string& address, bool user_gesture) {
  using W = NavigationPolicy::NewWindow;
  std::string log;
  W where = policy_.DecideNewWindow(address, user_gesture, engine_.Address(), now_ms_(), rules_.own_popup_windows, log);
  if (!log.empty()) Log("%s", log.c_str());
  bool cancel = false;
  if (where == W::InTheView) {
    events_.OnNewWindowKnown(address, cancel);
  } else if (where == W::StandIn) {
    events_.OnNewWindowUnknown(cancel);
    if (cancel) return W::Refused;
  }
  return where;
}

BrowserController::StandInStep BrowserController::OnStandInNavigation(const std::string& address) {
  // A new window's blank start is no navigation of its own.
  if (address.empty() || address == "about:blank") return StandInStep::NotYet;
  return events_.OnRedirectedNavigation(address) ? StandInStep::Refuse : StandInStep::Let;
}

bool BrowserController::MayPrint() {
  std::string log;
  bool may = policy_.MayPrint(now_ms_(), log);
  if (!log.empty()) Log("%s", log.c_str());
  return may;
}

bool BrowserController::MayChooseFile() {
  // A file chooser would show a visitor the whole disk.
  Log("a page asked for a file; refused");
  return false;
}

bool BrowserController::MayDownloadAnything(const std::string& address) {
  // The kiosk writes no file for a page (attachments, blobs, "download" links).
  Log("a download of %s was refused", address.empty() ? "(unknown)" : ShortAddress(address).c_str());
  return false;
}

bool BrowserController::MayLockPointer() {
  // A locked pointer would leave the bar without a pointer to touch it with until the idle return.
  Log("a page asked to lock the pointer; refused");
  return false;
}

bool BrowserController::MayCapture(const std::string& page_address, bool screen) {
  const bool may = !screen && IsOperatorPage(page_address, {}, rules_.media_sites);
  Log("%s asked for the %s; %s", page_address.empty() ? "(no address)" : ShortAddress(page_address).c_str(),
      screen ? "screen" : "camera or microphone", may ? "granted (a media site)" : "refused");
  return may;
}

MenuAnswer BrowserController::OnMenuAsked() {
  MenuAnswer answer =
      MenuFor(rules_.no_context_menu, rules_.kiosk_site, touch_gate_.TouchedLast(), rules_.long_press_menu);
  if (answer == MenuAnswer::Kiosk) events_.OnContextMenu();
  return answer;
}

void BrowserController::OnPageMessage(const std::string& text, const std::string& close_token, int view_x, int view_y) {
  PageMessage m = ParsePageMessage(text, close_token);
  const int* v = m.values;
  switch (m.kind) {
    case PageMessage::Kind::Close: {
      bool cancel = false;
      events_.OnWindowClosing(cancel);
      break;
    }
    case PageMessage::Kind::Touch:
    case PageMessage::Kind::TouchText: {
      events_.OnInput();
      std::optional<ScreenRect> field;
      // The page's window coordinates are the view's own; the view's origin puts them on the screen.
      if (m.has_box) field = ScreenRect{view_x + v[0], view_y + v[1], v[2], v[3]};
      events_.OnTouch(m.kind == PageMessage::Kind::TouchText, field);
      break;
    }
    case PageMessage::Kind::Input: events_.OnInput(); break;
    case PageMessage::Kind::Size: events_.OnPageSize(v[0], v[1], v[2], v[3]); break;
    case PageMessage::Kind::Position: events_.OnScrollPosition(v[0], v[1]); break;
    case PageMessage::Kind::Unknown: break;
  }
}

void BrowserController::OnHeartbeat() {
  switch (hang_watch_.OnTick(now_ms_())) {
    case HangWatch::Step::Wait: return;
    case HangWatch::Step::EndProcess: engine_.EndProcess(); return;
    case HangWatch::Step::Ask: engine_.AskProcess(); return;
  }
}

void BrowserController::OnProcessEnded(ProcessEnd why) {
  hang_watch_.Reset();
  last_process_end_ = why == ProcessEnd::Crashed       ? "crashed"
                      : why == ProcessEnd::OutOfMemory ? "out of memory"
                                                       : "ended because it did not answer";
  ++process_deaths_;
  if (why == ProcessEnd::EndedByKiosk) ++process_hangs_;
  if (std::exchange(ended_to_leave_, false) && why == ProcessEnd::EndedByKiosk) {
    // Ended on the way out: the load the kiosk wanted starts a new process at once, no recovery.
    if (auto again = std::exchange(leave_again_, nullptr)) again();
    return;
  }
  Log("the web process ended (%s); the pages come back shortly", last_process_end_.c_str());
  std::optional<int> delay = recovery_.OnProcessGone(now_ms_());
  if (!delay) return;
  // Nothing of the broken page stays on the screen meanwhile.
  if (rules_.waiting_page) engine_.ShowOwnPage(WebEngine::OwnPage::Waiting);
  engine_.StartTimer(BrowserTimer::Recovery, *delay);
}

void BrowserController::OnNetworkAvailable() {
  if (offline_.Offline()) TryNetwork();
}

void BrowserController::TryNetwork() {
  if (probing_) return;
  probing_ = true;
  engine_.ProbeNetwork(offline_.Wanted());
}

void BrowserController::OnNetworkProbed(NetworkProblem problem) {
  probing_ = false;
  if (!offline_.Offline()) return;  // a page came meanwhile
  if (problem != NetworkProblem::NoProblem) {
    const uint64_t wait = offline_.OnFailure(offline_.Wanted(), problem, now_ms_());
    offline_page_next_ = true;
    policy_.OnErrorPageShown();
    engine_.ShowOffline(offline_.Wanted(), problem, wait);
    engine_.StartTimer(BrowserTimer::NetworkTry, static_cast<int>(wait));
    return;
  }
  if (rules_.visitor_present && rules_.visitor_present()) {
    // Someone is at the kiosk: the page does not change under their finger. The idle return brings
    // the home page; until then the kiosk looks again now and then, in case they left without one.
    engine_.StartTimer(BrowserTimer::NetworkTry, static_cast<int>(OfflineWatch::kWaits.first));
    return;
  }
  KioskLoad(offline_.Wanted());
}

void BrowserController::OnTimer(BrowserTimer timer) {
  if (timer == BrowserTimer::NetworkTry) {
    if (offline_.Offline()) TryNetwork();
    return;
  }
  if (timer == BrowserTimer::Recovery) {
    recovery_.OnWaitOver();
    events_.OnRecoveryDue();
    return;
  }
  if (hang_watch_.LeaveOverdue(now_ms_())) {
    Log("the page did not answer as the kiosk left it; its process was ended");
    ended_to_leave_ = true;
    engine_.EndProcess();
  }
}

void BrowserController::OnNewView() {
  hang_watch_.Reset();
  // A process ended on the way out belongs to the view going away: its redo goes with it.
  ended_to_leave_ = false;
  leave_again_ = nullptr;
}

unsigned PageMemoryLimitMiB(uint64_t machine_mib) {
  return static_cast<unsigned>(std::clamp<uint64_t>(machine_mib / 2, 256, 1536));
}

}  // namespace panelia
