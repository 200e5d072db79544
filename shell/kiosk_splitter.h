// CKioskSplitter: the frame's two rows (page above, bar below) split by a 1-pixel line that no
// pointer can grab; rows change only when the program hides or shows one.
#pragma once

namespace panelia {

class SplitterPort {
 public:
  virtual ~SplitterPort() = default;
  virtual void SetRowVisible(int row, bool visible) = 0;
  virtual void ActivatePane(int row) = 0;
};

class CKioskSplitter {
 public:
  static constexpr int kRows = 2;
  static constexpr int kLineWidth = 1;

  explicit CKioskSplitter(SplitterPort& port) : port_(port) {}

  // Only one row may be hidden at a time; hiding a second does nothing.
  void HideRow(int row);
  // Brings back the hidden row, if any.
  void ShowRow();
  int HiddenRow() const { return hidden_row_; }
  int ActiveRow() const { return active_row_; }
  void SetActiveRow(int row) { active_row_ = row; }

 private:
  SplitterPort& port_;
  int hidden_row_ = -1;
  int active_row_ = 0;  // the main view, the first pane, is active from the start
};

}  // namespace panelia
