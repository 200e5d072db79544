// What the kiosk's script in every page posts to it, read without trusting it: any page can post
// any text through the same channel, so a message is taken only when it has exactly the expected
// form, and a close counts only with the token the top frame's script alone knows.
#pragma once

#include <cstdint>
#include <string_view>

namespace panelia {

struct PageMessage {
  enum class Kind { Unknown, Close, Touch, TouchText, Input, Size, Position };
  Kind kind = Kind::Unknown;
  // Size: scroll width, height, view width, height; Position: x, y; TouchText with a box: the field's
  // x, y, width and height in the top page's window.
  int values[4] = {0, 0, 0, 0};
  bool has_box = false;
};

PageMessage ParsePageMessage(std::string_view text, std::string_view close_token);

// Why a load failed, as far as the kiosk cares.
enum class LoadFailure { Cancelled, InterruptedByPolicy, HandledElsewhere, Network, Other };
// Loads the kiosk stopped itself (a refused address, a cancelled download, Stop) show nothing; a
// network failure shows the offline page; any other failure shows the kiosk's neutral page with its
// way home, never the engine's page with its wording and local paths.
inline bool ShowsNeutralPage(LoadFailure failure) {
  return failure == LoadFailure::Other;
}

// The hang watch of a web process: a trivial question now and then (every `kHeartbeatMs`), also on
// a page nobody touches; one left without an answer for `kHangMs` ends the process, which the
// recovery then replaces.
class HangWatch {
 public:
  static constexpr uint64_t kHeartbeatMs = 5000;
  static constexpr uint64_t kHangMs = 10000;
  enum class Step { Ask, Wait, EndProcess };
  // The kiosk leaves the page (a bar button, the idle return, an operator's command) and the visitor
  // waits on its process: one that has answered before but does not answer within `kLeaveMs` now is
  // ended at once, not after `kHangMs`. A process still starting is never judged so. A quarter of a
  // second: a healthy process answers in milliseconds, and one ended needlessly loses nothing (the
  // kiosk is leaving its page), while the visitor's wait for the next page is this and a new process.
  static constexpr uint64_t kLeaveMs = 250;
  // Whether to ask a question now and look back with LeaveOverdue after kLeaveMs.
  bool OnLeave(uint64_t now_ms);
  bool LeaveOverdue(uint64_t now_ms);
  // At every heartbeat tick: ask a new question, wait on for the one asked, or end the process.
  Step OnTick(uint64_t now_ms);
  void OnAnswer() {
    asked_ = false;
    answered_ = true;
    leaving_ = false;
  }
  // The process showed it works (a page committed) without answering a question.
  void OnSignOfLife() { answered_ = true; }
  // A new process (or the old one gone): no question is outstanding, and none has been answered.
  void Reset() { asked_ = answered_ = leaving_ = false; }

 private:
  bool asked_ = false;
  bool answered_ = false;
  bool leaving_ = false;
  uint64_t asked_at_ = 0;
  uint64_t leave_at_ = 0;
};

}  // namespace panelia
