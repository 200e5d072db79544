#include "browse/smooth_scroll.h"

#include <algorithm>

namespace panelia {

void SmoothScroll::OnPageSize(int scroll_width, int scroll_height, int view_width, int view_height) {
  size_known_ = true;
  page_width_ = scroll_width;
  page_height_ = scroll_height;
  view_width_ = view_width;
  view_height_ = view_height;
}

int SmoothScroll::RoomBelow() const {
  return std::max(0, page_height_ - view_height_ - y_);
}

bool SmoothScroll::AtEdge() const {
  if (view_width_ <= 0 || view_height_ <= 0) return false;  // the window's size is not known: no edge
  switch (direction_) {
    case ScrollDirection::Up: return y_ <= 0;
    case ScrollDirection::Down: return y_ + view_height_ >= page_height_;
    case ScrollDirection::Left: return x_ <= 0;
    case ScrollDirection::Right: return x_ + view_width_ >= page_width_;
  }
  return false;
}

SmoothScroll::Move SmoothScroll::Tick() {
  Move move;
  if (!size_known_) return move;  // no document yet: this tick does nothing, the timer runs on
  if (scrolled_ == 0) {
    horizontal_limit_ = page_width_;
    vertical_limit_ = page_height_;
    stop_ = false;
  }
  // A page that cannot move further this way ends the run: no ticks spent on nothing.
  if (AtEdge()) {
    scrolled_ = 0;
    move.go_on = false;
    return move;
  }
  scrolled_ += kStep;
  const bool vertical = direction_ == ScrollDirection::Up || direction_ == ScrollDirection::Down;
  switch (direction_) {
    case ScrollDirection::Up: move.dy = -kStep; break;
    case ScrollDirection::Right: move.dx = kStep; break;
    case ScrollDirection::Down: move.dy = kStep; break;
    case ScrollDirection::Left: move.dx = -kStep; break;
  }
  if (scrolled_ >= (vertical ? vertical_limit_ : horizontal_limit_) || stop_) {
    scrolled_ = 0;
    move.go_on = false;
  }
  return move;
}

}  // namespace panelia
