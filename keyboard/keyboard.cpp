#include "keyboard/keyboard.h"

#include <algorithm>
#include <cstdint>

namespace panelia {

ScreenPoint PlaceKeyboard(int monitor_w, int monitor_h, int w, int h, int32_t x_pos, int32_t y_pos) {
  if (x_pos == 0 || y_pos == 0) {
    x_pos = kDefaultKeyboardXPos;
    y_pos = kDefaultKeyboardYPos;
  }
  // In 64 bits: a distance near 2^31 must not wrap round onto the screen.
  auto place = [](int64_t size, int64_t own, int64_t from_far_edge) {
    int64_t at = size - own - from_far_edge;
    at = std::min(at, size - own);
    return static_cast<int>(std::max<int64_t>(at, 0));
  };
  return {place(monitor_w, w, x_pos), place(monitor_h, h, y_pos)};
}

double KeyboardScale(int monitor_w, int monitor_h, int w, int h) {
  if (w <= 0 || h <= 0 || monitor_w <= 0 || monitor_h <= 0) return 1.0;
  double scale = std::min(static_cast<double>(monitor_w) / w, static_cast<double>(monitor_h) / h);
  return std::min(scale, 1.0);
}

ScreenPoint BringWhole(int monitor_x, int monitor_y, int monitor_w, int monitor_h, int x, int y, int w, int h) {
  ScreenRect whole = KeptOn({monitor_x, monitor_y, monitor_w, monitor_h}, {x, y, w, h});
  return {whole.x, whole.y};
}

KeyboardStacking::Move KeyboardStacking::OnOtherShown(WindowHandle window, bool is_box) {
  if (is_box) {
    boxes_.insert(window);
    return Move::BelowShown;
  }
  return boxes_.empty() ? Move::Raise : Move::Stay;
}

KeyboardStacking::Move KeyboardStacking::OnOtherHidden(WindowHandle window) {
  return boxes_.erase(window) > 0 && boxes_.empty() ? Move::Raise : Move::Stay;
}

CKeyboardDlg::CKeyboardDlg(KeyInjector& keys, KeyboardView& view, KeyboardDesktop& desktop, KeyboardLayoutList layouts)
    : keys_(keys), view_(view), desktop_(desktop), layouts_(std::move(layouts)) {}

void CKeyboardDlg::OnInitDialog(WindowHandle self) {
  self_ = self;
  shift_latch_ = false;
  for (const auto& key : kKeyTable) view_.SetPicture(key.id, key.picture);
  caps_on_ = keys_.CapsLockOn();
  const KeyDef* caps = FindKey(1030);
  view_.SetPicture(caps->id, caps_on_ ? caps->lit_picture : caps->picture);
  current_layout_ = 0;
}

void CKeyboardDlg::Press(std::optional<KeyCode> key) {
  if (!key) return;
  keys_.Send(*key, true);
  keys_.Send(*key, false);
}

void CKeyboardDlg::ShiftUp() {
  if (auto shift = keys_.KeyFor(SpecialKey::Shift)) keys_.Send(*shift, false);
}

void CKeyboardDlg::Character(char c) {
  Press(keys_.KeyForChar(c));
  // A Shift or Ctrl held on a physical keyboard would turn the next touches into shortcuts.
  for (SpecialKey modifier : {SpecialKey::Shift, SpecialKey::Control}) {
    auto key = keys_.KeyFor(modifier);
    if (key && keys_.IsDown(*key)) keys_.Send(*key, false);
  }
}

void CKeyboardDlg::Code(int code) {
  switch (code) {
    case 2: Press(keys_.KeyForChar('\t')); break;
    case 3:
      Press(keys_.KeyFor(SpecialKey::CapsLock));
      ++caps_toggles_;
      break;
    case 4: {
      auto shift = keys_.KeyFor(SpecialKey::Shift);
      if (shift && !keys_.IsDown(*shift)) keys_.Send(*shift, true);
      break;
    }
    case 6: Press(keys_.KeyFor(SpecialKey::BackSpace)); break;
    case 7: Press(keys_.KeyForChar('\r')); break;
    case 21:
      // "http://www.": the colon is Shift + ';' on the US layout.
      for (char c : {'H', 'T', 'T', 'P'}) Character(c);
      Code(4);
      Character(';');
      ShiftUp();
      for (char c : {'/', '/', 'W', 'W', 'W'}) Character(c);
      Press(keys_.KeyForChar('.'));
      break;
    default: break;
  }
}

void CKeyboardDlg::SendKeyStroke(KeyStroke stroke) {
  if (stroke.character != 0)
    Character(stroke.character);
  else
    Code(stroke.code);
}

void CKeyboardDlg::Shifted(char c) {
  Code(4);
  Character(c);
  ShiftUp();
}

void CKeyboardDlg::OnKey(int id) {
  const KeyDef* key = FindKey(id);
  if (!key) return;
  switch (key->action) {
    case KeyAction::Shiftable:
      if (shift_latch_)
        Shifted(key->second ? key->second : key->character);
      else
        Character(key->character);
      break;
    case KeyAction::Letter: {
      char upper = static_cast<char>(key->character - 'a' + 'A');
      if (shift_latch_)
        Shifted(upper);
      else
        Character(caps_on_ ? upper : key->character);
      break;
    }
    case KeyAction::Shifted: Shifted(key->character); break;
    case KeyAction::Char: Character(key->character); break;
    case KeyAction::Code: Code(key->code); break;
    case KeyAction::Caps:
      Code(3);
      caps_on_ = !caps_on_;
      view_.SetPicture(key->id, caps_on_ ? key->lit_picture : key->picture);
      break;
    case KeyAction::Shift:
      shift_latch_ = !shift_latch_;
      view_.SetPicture(key->id, shift_latch_ ? key->lit_picture : key->picture);
      break;
    case KeyAction::FirstLayout: FirstLayout(); break;
    case KeyAction::NextLayout: NextLayout(); break;
  }
}

void CKeyboardDlg::FirstLayout() {
  // Without a layout there is nothing to name or announce.
  if (layouts_.empty()) return;
  current_layout_ = 0;
  view_.SetLanguageLabel(layouts_[0].name);
  desktop_.AnnounceLayout(0);
}

void CKeyboardDlg::NextLayout() {
  if (layouts_.empty()) return;
  view_.SetLanguageLabel(layouts_[static_cast<size_t>(current_layout_)].name);
  desktop_.AnnounceLayout(current_layout_);
  current_layout_ = current_layout_ + 1 < static_cast<int>(layouts_.size()) ? current_layout_ + 1 : 0;
}

void CKeyboardDlg::TrackTarget() {
  std::optional<WindowHandle> active = desktop_.ActiveWindow();
  if (!active || active == self_ || active == target_) return;
  target_ = active;
}

void CKeyboardDlg::RestoreTarget() {
  if (!target_ || !desktop_.Exists(*target_)) return;
  if (desktop_.ActiveWindow() == target_) return;
  desktop_.Activate(*target_);
}

void CKeyboardDlg::OnDestroy() {
  // Panelia goes back to the first layout; the keyboard does not wait for its answer.
  if (!layouts_.empty()) {
    current_layout_ = 0;
    desktop_.PostLayout(0);
  }
  if (auto shift = keys_.KeyFor(SpecialKey::Shift); shift && keys_.IsDown(*shift)) keys_.Send(*shift, false);
  // Caps Lock goes back off if the keyboard is what turned it on.
  if (caps_toggles_ % 2 == 1 && keys_.CapsLockOn()) Code(3);
}

}  // namespace panelia
