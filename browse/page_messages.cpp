#include "browse/page_messages.h"

#include <charconv>
#include <cstdint>

namespace panelia {
namespace {

// "a,b,c" with exactly `count` whole numbers and nothing else.
bool ParseNumbers(std::string_view text, int* out, int count) {
  const char* at = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (at == end || *at != ',') return false;
      ++at;
    }
    auto [next, error] = std::from_chars(at, end, out[i]);
    if (error != std::errc()) return false;
    at = next;
  }
  return at == end;
}

}  // namespace

PageMessage ParsePageMessage(std::string_view text, std::string_view close_token) {
  using Kind = PageMessage::Kind;
  PageMessage m;
  constexpr std::string_view kClose = "close:", kSize = "size:", kPosition = "pos:", kField = "touch-text:";
  if (text.substr(0, kClose.size()) == kClose) {
    if (!close_token.empty() && text.substr(kClose.size()) == close_token) m.kind = Kind::Close;
  } else if (text == "touch") {
    m.kind = Kind::Touch;
  } else if (text == "touch-text") {
    m.kind = Kind::TouchText;
  } else if (text.substr(0, kField.size()) == kField) {
    if (ParseNumbers(text.substr(kField.size()), m.values, 4) && m.values[2] >= 0 && m.values[3] >= 0) {
      m.kind = Kind::TouchText;
      m.has_box = true;
    }
  } else if (text == "input") {
    m.kind = Kind::Input;
  } else if (text.substr(0, kSize.size()) == kSize) {
    if (ParseNumbers(text.substr(kSize.size()), m.values, 4)) m.kind = Kind::Size;
  } else if (text.substr(0, kPosition.size()) == kPosition) {
    if (ParseNumbers(text.substr(kPosition.size()), m.values, 2)) m.kind = Kind::Position;
  }
  return m;
}

HangWatch::Step HangWatch::OnTick(uint64_t now_ms) {
  if (!asked_) {
    asked_ = true;
    asked_at_ = now_ms;
    return Step::Ask;
  }
  // Still no answer: a page in an endless loop, or a stopped process.
  if (now_ms - asked_at_ < kHangMs) return Step::Wait;
  asked_ = false;
  return Step::EndProcess;
}

bool HangWatch::OnLeave(uint64_t now_ms) {
  if (!answered_) return false;
  leaving_ = true;
  leave_at_ = now_ms;
  return true;
}

bool HangWatch::LeaveOverdue(uint64_t now_ms) {
  if (!leaving_ || now_ms - leave_at_ < kLeaveMs) return false;
  asked_ = leaving_ = false;
  return true;
}

}  // namespace panelia
