#include "browse/script_dialogs.h"

#include <cstdint>

namespace panelia {

bool RequestGate::MayShow(uint64_t now_ms) {
  if (stopped_) return false;
  while (!recent_.empty() && now_ms - recent_.front() >= limit_.window_ms) recent_.pop_front();
  if (static_cast<int>(recent_.size()) >= limit_.most_in_window) {
    stopped_ = true;
    return false;
  }
  recent_.push_back(now_ms);
  return true;
}

ScriptDialogAnswer AnswerUnseen(ScriptDialogKind kind) {
  switch (kind) {
    case ScriptDialogKind::Confirm: return {false, false};
    case ScriptDialogKind::BeforeUnload: return {true, false};
    default: return {};
  }
}

ScriptDialogAnswer AnswerShown(ScriptDialogKind kind, bool ok) {
  switch (kind) {
    case ScriptDialogKind::Confirm:
    case ScriptDialogKind::BeforeUnload: return {ok, false};
    case ScriptDialogKind::Prompt: return {std::nullopt, ok};
    default: return {};
  }
}

}  // namespace panelia
