#include "platform/x11/xkb.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include "common/text.h"
#include "platform/x11/window_lookup.h"

namespace panelia::x11 {

KeyboardLayoutList ReadKeyboardLayouts(Display* display) {
  if (!display) return {};
  // rules, model, layouts, variants, options: NUL-separated in one string property of the root.
  std::string raw = PropertyText(display, DefaultRootWindow(display), "_XKB_RULES_NAMES", XA_STRING);
  std::vector<std::string> fields;
  size_t pos = 0;
  while (!raw.empty() && pos <= raw.size() && fields.size() < 5) {
    size_t end = raw.find('\0', pos);
    if (end == std::string::npos) end = raw.size();
    fields.push_back(raw.substr(pos, end - pos));
    pos = end + 1;
  }
  if (fields.size() < 3) return {};
  std::string rules = fields[0].empty() ? "evdev" : fields[0];
  if (rules.find('/') != std::string::npos) return {};  // a rules name, never a path
  auto xml = ReadFileBytes("/usr/share/X11/xkb/rules/" + rules + ".xml", 8u << 20);
  if (!xml) xml = ReadFileBytes("/usr/share/X11/xkb/rules/evdev.xml", 8u << 20);
  return BuildKeyboardLayoutList(fields[2], fields.size() > 3 ? fields[3] : "",
                                 ParseLayoutDescriptions(xml.value_or("")));
}

void LockKeyboardGroup(Display* display, int group) {
  if (!display) return;
  XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned int>(group));
  XFlush(display);
}

int LockedKeyboardGroup(Display* display) {
  XkbStateRec state{};
  if (!display || XkbGetState(display, XkbUseCoreKbd, &state) != Success) return 0;
  return state.locked_group;
}

}  // namespace panelia::x11
