#include "browse/visitor_modes.h"

#include <utility>

#include "browse/page_commands.h"
#include "common/texts.h"

namespace panelia {

void VisitorModes::StepLargeText() {
  text_zoom_ = NextLargeText(base_zoom_, text_zoom_);
  page_.SetTextZoom(text_zoom_);
}

void VisitorModes::ToggleContrast() {
  high_contrast_ = !high_contrast_;
  page_.SetHighContrast(high_contrast_);
}

void VisitorModes::ToggleReader() {
  if (reader_on_) {
    reader_on_ = false;
    partners_.StopReader();
    return;
  }
  if (partners_.StartReader()) {
    reader_on_ = true;
    page_.ReadFromStart();
    timers_.SetTimer(kReaderTimer, kReaderSettleMs);
  } else if (!std::exchange(reader_missing_told_, true)) {
    host_.Tell(ForVisitors("This kiosk has no screen reader installed."));
  }
}

void VisitorModes::Reset() {
  reader_missing_told_ = false;
  if (text_zoom_ != base_zoom_) {
    text_zoom_ = base_zoom_;
    page_.SetTextZoom(text_zoom_);
  }
  if (high_contrast_) ToggleContrast();
  if (reader_on_) ToggleReader();
}

}  // namespace panelia
