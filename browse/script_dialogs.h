// Script dialogs (alert, confirm, prompt, leaving a page) in an unattended kiosk: a page may show a
// few (three a minute), each going by itself after a while; a page that keeps raising them gets no
// more until the visitor is on another page, so an alert loop never holds the kiosk.
#pragma once

#include <cstdint>
#include <deque>

namespace panelia {

class ScriptDialogGate {
 public:
  static constexpr int kMostInWindow = 3;
  static constexpr uint64_t kWindowMs = 60000;
  static constexpr int kShownMs = 4000;  // how long one stays before it answers itself

  // Whether a dialog raised at `now_ms` is shown; false: it is answered at once, unseen.
  bool MayShow(uint64_t now_ms);
  // A new page: its dialogs start afresh.
  void OnNewPage() {
    recent_.clear();
    stopped_ = false;
  }
  bool Stopped() const { return stopped_; }

 private:
  std::deque<uint64_t> recent_;
  bool stopped_ = false;
};

}  // namespace panelia
