// The input languages both Panelia and Glyphdeck count positions in, built by this one piece of
// code: IBus's preloaded engines where an IBus daemon runs for the display (Chinese needs an input
// method, not another Latin layout), otherwise the display's XKB layouts.
#pragma once

#include <X11/Xlib.h>

#include "common/keyboard_layouts.h"

typedef struct _IBusBus IBusBus;
typedef unsigned int guint;

namespace panelia {

class InputLanguages {
 public:
  explicit InputLanguages(Display* display);
  ~InputLanguages();
  InputLanguages(const InputLanguages&) = delete;
  InputLanguages& operator=(const InputLanguages&) = delete;

  // Built afresh at every call: an IBus daemon that started, died or restarted meanwhile counts.
  KeyboardLayoutList List();
  // Switches the whole display: the IBus engine (unless it is already the one, which would drop text
  // being composed), or the XKB group. Never waits on a slow daemon.
  void Activate(const KeyboardLayout& layout);
  // A new visitor: the pinyin engine forgets what it learned from the last one (the phrases and
  // candidate order picked). Asked through the engine's own setting, which it watches.
  void ForgetLearned();

 private:
  bool IBusRunning();
  Display* display_;
  IBusBus* bus_ = nullptr;
  guint forget_reset_ = 0;
  bool told_unwritable_ = false;
};

}  // namespace panelia
