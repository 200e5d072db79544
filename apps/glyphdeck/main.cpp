// Glyphdeck, the on-screen keyboard: picture keys above the kiosk that type into the page by
// synthetic key events, never taking the focus. It runs once at a time, and only beside Panelia.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/event_link.h"
#include "common/instance_lock.h"
#include "common/module_directory.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/log.h"
#include "keyboard/keyboard.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/ibus/input_languages.h"
#include "platform/gtk/keyboard_window.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/key_injector.h"
#include "platform/x11/message_receiver.h"
#include "platform/x11/messages.h"

int main(int argc, char** argv) {
  using namespace panelia;
  gdk_set_allowed_backends("x11");
  // The accessibility bridge costs the keyboard time at every start: it is on only while the kiosk's
  // screen reader runs (which then names each key to the visitor).
  if (!g_getenv(kReaderEnvironment)) g_setenv("NO_AT_BRIDGE", "1", FALSE);
  if (!gtk_init_check(&argc, &argv)) {
    Log("cannot open the X display (is DISPLAY set?)");
    return 1;
  }
  UseGdkErrorTrap();
  if (!TakeInstanceLock("OneInstanceMutex")) return 0;
  x11::X11WindowSystem windows;
  auto beside_panelia = [&windows] {
    // Today's class first: each look walks the display's window tree, and the first found ends it.
    if (!windows.Connected()) return false;
    if (windows.FindWindowByClass(kPaneliaClass)) return true;
    for (std::string_view older : kOlderPaneliaClasses)
      if (windows.FindWindowByClass(older)) return true;
    return false;
  };
  if (!beside_panelia()) return 0;

  SqliteRegistry store(RegistryFilesFromEnvironment());
  UseSettingsLanguage(store);
  // On the kiosk's monitor, wherever that is.
  UseKioskMonitor(SettingsReader(store).Text(setting::Monitor));
  x11::XTestInjector keys(GdkXDisplay());
  x11::X11KeyboardDesktop desktop(GdkXDisplay(), windows);
  // The window's touches go to the keyboard's logic, which takes the window as its port: joined once
  // both exist.
  EventLink<CKeyboardDlg> board_link;
  EventLink<GtkKeyboardWindow> window_link;
  KeyboardWindowHooks hooks;
  hooks.key = [&board_link](int id) {
    if (board_link) board_link->OnKey(id);
  };
  hooks.touched = [&board_link] {
    if (board_link) board_link->TrackTarget();
  };
  hooks.released = [&board_link] {
    if (board_link) board_link->RestoreTarget();
  };
  hooks.close = [] { gtk_main_quit(); };
  hooks.shown_again = [&window_link] {
    if (!window_link) return;
    GdkRectangle area = KioskMonitorArea();
    GtkKeyboardWindow& w = *window_link;
    ScreenPoint at = BringWhole(area.x, area.y, area.width, area.height, w.X(), w.Y(), w.Width(), w.Height());
    if (at.x != w.X() || at.y != w.Y()) w.MoveTo(at.x, at.y);
  };
  GtkKeyboardWindow window(ModuleDirectory() + "res/glyphdeck/", hooks);
  EventLink<GtkKeyboardWindow>::Connection window_joined(window_link, window);
  CKeyboardDlg board(keys, window, desktop, {});
  EventLink<CKeyboardDlg>::Connection board_joined(board_link, board);

  SetWindowClass(window.Widget(), "glyphdeck", std::string(kGlyphdeckClass).c_str());
  board.OnInitDialog(GDK_WINDOW_XID(gtk_widget_get_window(window.Widget())));
  SettingsReader settings(store);
  int32_t x_pos = settings.Int(setting::KeyboardXPos);
  int32_t y_pos = settings.Int(setting::KeyboardYPos);
  GdkRectangle monitor = KioskMonitorArea();
  // A screen smaller than the keyboard gets all of it, smaller.
  window.SetScale(KeyboardScale(monitor.width, monitor.height, window.FullWidth(), window.FullHeight()));
  ScreenPoint at = PlaceKeyboard(monitor.width, monitor.height, window.Width(), window.Height(), x_pos, y_pos);
  window.ShowAt(monitor.x + at.x, monitor.y + at.y);
  // The languages are read once the keyboard has shown itself: no language key can be touched
  // before, and reading them (the layouts' descriptions are a large file) would delay the keyboard.
  InputLanguages languages(GdkXDisplay());
  struct Later {
    CKeyboardDlg& board;
    InputLanguages& languages;
  } later{board, languages};
  g_idle_add_full(
      G_PRIORITY_LOW,
      [](gpointer p) {
        auto* l = static_cast<Later*>(p);
        l->board.SetLayouts(l->languages.List());
        return G_SOURCE_REMOVE;
      },
      &later, nullptr);

  // Panelia's close request (WM_CLOSE) ends it; it handles no registered message.
  x11::MessageReceiver receiver(
      GdkXDisplay(), {}, [](const x11::IncomingMessage&) -> std::optional<int32_t> { return std::nullopt; },
      [] { gtk_main_quit(); });
  MessageFilter filter(window.Widget(), receiver);
  // A Panelia that died (killed, crashed) closes nothing: the keyboard goes by itself, so nothing of
  // the last visitor stands on the screen while the kiosk starts again.
  constexpr guint kPaneliaWatchSeconds = 1;
  g_timeout_add_seconds(
      kPaneliaWatchSeconds,
      [](gpointer check) -> gboolean {
        if ((*static_cast<decltype(beside_panelia)*>(check))()) return G_SOURCE_CONTINUE;
        Log("Panelia is gone; the keyboard closes");
        gtk_main_quit();
        return G_SOURCE_REMOVE;
      },
      &beside_panelia);
  gtk_main();
  board.OnDestroy();
  return 0;
}
