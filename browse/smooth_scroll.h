// The page's smooth scroll run: 2 pixels a tick in one direction, until the page's whole scroll size
// is covered, its edge is reached or a touch on the page stops it. A command during a run turns it.
#pragma once

namespace panelia {

enum class ScrollDirection : int { Up = 1, Right = 2, Down = 3, Left = 4 };

class SmoothScroll {
 public:
  static constexpr int kStep = 2;
  struct Move {
    int dx = 0, dy = 0;
    bool go_on = true;  // false: the run is over (the timer stops)
  };

  // A scroll command: the run takes this direction; the distance covered so far counts on.
  void Turn(ScrollDirection direction) { direction_ = direction; }
  // A touch on the page: the run ends at its next tick.
  void Stop() { stop_ = true; }
  bool Stopping() const { return stop_; }
  // The page's scroll size and the size of its window (0: unknown), as the page reports them.
  void OnPageSize(int scroll_width, int scroll_height, int view_width, int view_height);
  // Where the page's window is scrolled to, after every move.
  void OnScrollPosition(int x, int y) {
    x_ = x;
    y_ = y;
  }
  // The page's room below the window's bottom edge.
  int RoomBelow() const;
  // One tick of the timer: the move to make now, and whether the run goes on.
  Move Tick();

 private:
  bool AtEdge() const;
  ScrollDirection direction_ = ScrollDirection::Down;
  bool stop_ = false;
  int scrolled_ = 0;
  int horizontal_limit_ = 0, vertical_limit_ = 0;
  bool size_known_ = false;
  int page_width_ = 0, page_height_ = 0;
  int view_width_ = 0, view_height_ = 0;
  int x_ = 0, y_ = 0;
};

}  // namespace panelia
