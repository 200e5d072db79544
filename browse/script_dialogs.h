// What a page may raise on its own in an unattended kiosk: script dialogs (alert, confirm, prompt,
// leaving a page), pop-ups a script opens without a visitor's touch, and print requests. A page may
// show a few a minute; one that keeps raising them gets no more (dialogs: until the visitor is on
// another page; pop-ups and prints: until the next visitor, since a page that reloads itself through
// them would otherwise start afresh every time), so a loop never holds the kiosk.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace panelia {

class RequestGate {
 public:
  struct Limit {
    int most_in_window;
    uint64_t window_ms;
  };
  static constexpr Limit kDialogs{3, 60000};
  static constexpr Limit kPopUps{3, 60000};
  static constexpr Limit kPrints{2, 60000};

  explicit RequestGate(Limit limit) : limit_(limit) {}
  // Whether a request made at `now_ms` goes through; false: it is refused (or answered) unseen.
  bool MayShow(uint64_t now_ms);
  // A new page (dialogs) or a new visitor (all): requests start afresh.
  void Reset() {
    recent_.clear();
    stopped_ = false;
  }
  void OnNewPage() { Reset(); }
  bool Stopped() const { return stopped_; }  // what the tests check besides the answers

 private:
  Limit limit_;
  std::deque<uint64_t> recent_;
  bool stopped_ = false;
};

enum class ScriptDialogKind { Alert, Confirm, Prompt, BeforeUnload };

// How a page's dialog is answered: whether it is confirmed (for a question), and whether a prompt
// takes its default text.
struct ScriptDialogAnswer {
  std::optional<bool> confirmed;
  bool prompt_default = false;
};
// Unseen (the page raised too many): no to a question, yes to leaving the page (a page must never
// keep a visitor on it), nothing typed into a prompt.
ScriptDialogAnswer AnswerUnseen(ScriptDialogKind kind);
// Shown: `ok` is the visitor's OK; its time-out answers as Cancel does.
ScriptDialogAnswer AnswerShown(ScriptDialogKind kind, bool ok);
// Whether it gets a box at all: "leave this page?" never does, since a kiosk always leaves (for the
// bar, the idle return, the loop and an operator alike), unseen.
inline bool ShowsBox(ScriptDialogKind kind) {
  return kind != ScriptDialogKind::BeforeUnload;
}
// Whether its box asks (OK and Cancel) rather than tells (OK).
inline bool AsksQuestion(ScriptDialogKind kind) {
  return kind != ScriptDialogKind::Alert;
}

class ScriptDialogGate : public RequestGate {
 public:
  static constexpr int kMostInWindow = kDialogs.most_in_window;
  static constexpr uint64_t kWindowMs = kDialogs.window_ms;
  static constexpr int kShownMs = 4000;  // how long one stays before it answers itself
  ScriptDialogGate() : RequestGate(kDialogs) {}
};

}  // namespace panelia
