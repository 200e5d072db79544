// What a visitor may change for themselves from the bar: larger text (a step each touch, then back),
// high contrast and spoken output, each back to the operator's choice for the next visitor.
#pragma once

#include "browse/ports.h"

namespace panelia {

class VisitorModes {
 public:
  // A reader just started takes a moment before it listens: the page is read from its start again
  // once it does. Debian 13's reader takes up to about five seconds; a focus moved sooner is lost.
  static constexpr int kReaderTimer = 9;
  static constexpr int kReaderSettleMs = 5000;

  VisitorModes(PageActions& page, ViewPartners& partners, ViewHost& host, TimerService& timers)
      : page_(page), partners_(partners), host_(host), timers_(timers) {}
  void StepLargeText();
  void ToggleContrast();
  void ToggleReader();
  // The operator's text size, which a visitor's large text returns to.
  void SetOperatorTextZoom(double zoom) { base_zoom_ = text_zoom_ = zoom; }
  // The reader has settled, or a page has loaded: the reader reads it from its start.
  void ReadAgain() {
    if (reader_on_) page_.ReadFromStart();
  }
  // All back to the operator's choice.
  void Reset();
  bool HighContrast() const { return high_contrast_; }
  bool ReaderOn() const { return reader_on_; }

 private:
  PageActions& page_;
  ViewPartners& partners_;
  ViewHost& host_;
  TimerService& timers_;
  double base_zoom_ = 1.0, text_zoom_ = 1.0;
  bool high_contrast_ = false, reader_on_ = false, reader_missing_told_ = false;
};

}  // namespace panelia
