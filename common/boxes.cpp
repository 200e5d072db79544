#include "common/boxes.h"
#include "common/texts.h"

#include <algorithm>
#include <cstdint>

namespace panelia {

std::vector<BoxButton> ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok: return {{Tr("OK"), BoxAnswer::Ok}};
    case BoxButtons::OkCancel: return {{Tr("OK"), BoxAnswer::Ok}, {Tr("Cancel"), BoxAnswer::Cancel}};
    case BoxButtons::YesNo: return {{Tr("Yes"), BoxAnswer::Yes}, {Tr("No"), BoxAnswer::No}};
  }
  return {{Tr("OK"), BoxAnswer::Ok}};
}

std::string_view IconNameOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error: return "dialog-error";
    case BoxIcon::Information: return "dialog-information";
    case BoxIcon::Question: return "dialog-question";
    case BoxIcon::Warning: return "dialog-warning";
  }
  return "dialog-information";
}

namespace {

bool Fits(const ScreenRect& monitor, const ScreenRect& r) {
  return r.x >= monitor.x && r.y >= monitor.y && r.Right() <= monitor.Right() && r.Bottom() <= monitor.Bottom();
}

}  // namespace

ScreenRect KeptOn(const ScreenRect& monitor, ScreenRect r) {
  // The far edge first, then the near one. In 64 bits: nothing wraps round onto the screen.
  auto fit = [](int64_t at, int64_t own, int64_t start, int64_t size) {
    return static_cast<int>(std::max(std::min(at, start + size - own), start));
  };
  r.x = fit(r.x, r.w, monitor.x, monitor.w);
  r.y = fit(r.y, r.h, monitor.y, monitor.h);
  return r;
}

BoxPlace PlaceClearOf(const ScreenRect& monitor, int w, int h, int wanted_x, int wanted_y,
                      const std::optional<ScreenRect>& keyboard) {
  // Wanted, but on the monitor (its top-left corner first when the box is the larger).
  ScreenRect box = KeptOn(monitor, {wanted_x, wanted_y, w, h});
  int x = box.x, y = box.y;
  if (!keyboard || !box.Overlaps(*keyboard)) return {x, y, true};
  const ScreenRect& k = *keyboard;
  const ScreenRect candidates[] = {
      {x, k.y - kBoxKeyboardGap - h, w, h},     // above
      {x, k.Bottom() + kBoxKeyboardGap, w, h},  // below
      {k.x - kBoxKeyboardGap - w, y, w, h},     // left
      {k.Right() + kBoxKeyboardGap, y, w, h},   // right
  };
  for (const ScreenRect& c : candidates)
    if (Fits(monitor, c) && !c.Overlaps(k)) return {c.x, c.y, true};
  return {x, y, false};
}

}  // namespace panelia
