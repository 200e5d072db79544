// Sonavelle, the background music player: a window that lists the songs of the music folder and
// plays them when Panelia asks, page by page. It runs only beside Panelia.
#include <gtk/gtk.h>

#include <cstdint>
#include <cstdio>
#include <random>

#include "common/event_link.h"
#include "common/module_directory.h"
#include "common/names.h"
#include "common/log.h"
#include "music/disk_song_files.h"
#include "music/player.h"
#include "platform/gst/gst_playback.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/player_window.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/message_receiver.h"
#include "platform/x11/messages.h"

int main(int argc, char** argv) {
  using namespace panelia;
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    Log("cannot open the X display (is DISPLAY set?)");
    return 1;
  }
  UseGdkErrorTrap();
  {
    // Panelia starts the player; alone it has nobody to play for.
    x11::X11WindowSystem windows;
    if (!windows.Connected() || !windows.FindWindowByClass(kPaneliaClass)) return 0;
  }
  SqliteRegistry store(RegistryFilesFromEnvironment());
  UseSettingsLanguage(store);
  // The graph's and the window's events go to the player's logic, which takes both as its ports:
  // joined once it exists.
  EventLink<CSonavelleDlg> player;
  GstPlayback graph({[&player] {
                       if (player) player->OnEndOfStream();
                     },
                     [&player] {
                       if (player) player->OnStreamError();
                     }});
  PlayerWindowHooks hooks;
  hooks.play = [&player] {
    if (player) player->OnPlay();
  };
  hooks.pause = [&player] {
    if (player) player->OnPause();
  };
  hooks.stop = [&player] {
    if (player) player->OnStop();
  };
  hooks.replay = [&player] {
    if (player) player->OnReplay();
  };
  hooks.close = [] { gtk_main_quit(); };
  GtkPlayerWindow window(ModuleDirectory() + "res/sonavelle/128.png", hooks);
  DiskSongFiles files;
  CSonavelleDlg dlg(graph, window, files, std::random_device{}());
  EventLink<CSonavelleDlg>::Connection player_joined(player, dlg);

  SetWindowClass(window.Widget(), "sonavelle", std::string(kSonavelleClass).c_str());
  gtk_widget_realize(window.Widget());
  // Both requests are answered only once handled: Panelia waits for the music to have changed.
  x11::MessageReceiver receiver(
      GdkXDisplay(), {kMusicPlayMessage, kMusicStopMessage, kMusicVolumeMessage},
      [&dlg](const x11::IncomingMessage& m) -> std::optional<int32_t> {
        if (m.name == kMusicPlayMessage) return dlg.OnMusicPlay();
        if (m.name == kMusicStopMessage) return dlg.OnMusicStop();
        if (m.name == kMusicVolumeMessage) return dlg.OnMusicVolume(m.wparam);
        return std::nullopt;
      },
      [] { gtk_main_quit(); });
  MessageFilter filter(window.Widget(), receiver);
  dlg.OnInitDialog(store);
  window.Present();
  gtk_main();
  dlg.OnDestroy();
  return 0;
}
