#include "common/window_system.h"

#include "common/names.h"
#include "common/texts.h"

namespace panelia {

std::optional<WindowHandle> FindOptionsWindow(WindowSystem& windows) {
  if (auto window = windows.FindWindowByTitle(TrText(kOptionsWindowTitle))) return window;
  return windows.FindWindowByTitle(kOptionsWindowTitle);
}

}  // namespace panelia
