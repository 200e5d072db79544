#include "browse/script_dialogs.h"

namespace panelia {

bool ScriptDialogGate::MayShow(uint64_t now_ms) {
  if (stopped_) return false;
  while (!recent_.empty() && now_ms - recent_.front() >= kWindowMs) recent_.pop_front();
  if (static_cast<int>(recent_.size()) >= kMostInWindow) {
    stopped_ = true;
    return false;
  }
  recent_.push_back(now_ms);
  return true;
}

}  // namespace panelia
