#include "shell/kiosk_splitter.h"

namespace panelia {

void CKioskSplitter::HideRow(int row) {
  if (hidden_row_ != -1 || row < 0 || row >= kRows) return;
  if (active_row_ == row) {
    // The pane that loses its row hands the activity to the next row (or the first after the last).
    active_row_ = row + 1 < kRows ? row + 1 : 0;
    port_.ActivatePane(active_row_);
  }
  hidden_row_ = row;
  port_.SetRowVisible(row, false);
}

void CKioskSplitter::ShowRow() {
  if (hidden_row_ == -1) return;
  port_.SetRowVisible(hidden_row_, true);
  hidden_row_ = -1;
}

}  // namespace panelia
