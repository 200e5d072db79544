#include "platform/gtk/frame_services.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <gtk/gtkunixprint.h>

#include "common/names.h"
#include "common/settings.h"
#include "common/log.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/frame_dialogs.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/message_box.h"

namespace panelia {

void GtkFrameServices::ClearSelections() {
  // Owned by the kiosk with nothing in it: whichever program held the text, a middle click or a
  // paste now finds none.
  for (GdkAtom selection : {GDK_SELECTION_CLIPBOARD, GDK_SELECTION_PRIMARY}) {
    GtkClipboard* clipboard = gtk_clipboard_get(selection);
    gtk_clipboard_set_text(clipboard, "", 0);
  }
}

void GtkFrameServices::StartProgram(const std::string& path) {
  launcher_.Start(path, ShowCommand::Normal);
}

void GtkFrameServices::OpenWithDefaultHandler(const std::string& path) {
  GCharPtr absolute(g_canonicalize_filename(path.c_str(), nullptr));
  GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
  if (uri) g_app_info_launch_default_for_uri(uri.get(), nullptr, nullptr);
}

void GtkFrameServices::RunOpenDialog(std::function<void(std::optional<std::string>)> done) {
  std::vector<std::string> typed;
  CRegistryKey key(store_);
  key.SetRootKey(Hive::CurrentUser);
  key.SetSubKey(kBrowserTypedUrlsKey);
  for (int n = 1;; ++n) {
    std::string url;
    if (key.ReadTextChecked("url" + std::to_string(n), url) != TextRead::Ok) break;
    typed.push_back(url);
  }
  OpenAddressDialog(hooks_.parent(), typed, std::move(done));
}

void GtkFrameServices::PageSetup() {
  // Our own dialog rather than GTK's one-call helper, so that it is marked and goes with the visitor.
  GtkWidget* dialog = gtk_page_setup_unix_dialog_new(nullptr, hooks_.parent());
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  MarkVisitorDialog(dialog);
  gtk_widget_show(dialog);
}

std::optional<std::string> GtkFrameServices::MailHandlerCommandLine() {
  GObjectPtr<GAppInfo> handler = GObjectPtr<GAppInfo>::Adopt(g_app_info_get_default_for_uri_scheme("mailto"));
  if (!handler) return std::nullopt;
  const char* line = g_app_info_get_commandline(handler.get());
  return std::string(line ? line : "");
}

void GtkFrameServices::StartMailProgram(const std::string& program, const std::string& parameters) {
  gchar** args = nullptr;
  gint count = 0;
  std::vector<std::string> argv_text = {program};
  if (g_shell_parse_argv(parameters.c_str(), &count, &args, nullptr)) {
    for (gint i = 0; i < count; ++i) argv_text.emplace_back(args[i]);
    g_strfreev(args);
  }
  std::vector<char*> argv;
  argv.reserve(argv_text.size() + 1);
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  g_spawn_async(".", argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
}

LocalTime GtkFrameServices::Now() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.weekday = tm.tm_wday;
  return t;
}

void GtkFrameServices::RunPowerOffDialog(const LocalTime& today, std::function<void(int)> done) {
  OpenPowerOffNotice(hooks_.parent(), today, std::move(done));
}

void GtkFrameServices::ShutdownAllowed(std::function<void(bool)> answer) {
  // A power-off command of the operator's own needs nobody's permission.
  if (const char* command = std::getenv("PANELIA_POWEROFF_COMMAND"); command && *command) {
    answer(true);
    return;
  }
  // The login manager answers on the system bus; the kiosk runs on meanwhile. No bus, no answer
  // within two seconds, or anything but "yes"/"challenge" is a refusal.
  struct Question {
    std::function<void(bool)> answer;
    GObjectPtr<GCancellable> cancel;
    // Cancelled: the frame that asked has gone, so nobody is told.
    void Tell(bool allowed) {
      if (!g_cancellable_is_cancelled(cancel.get())) answer(allowed);
    }
  };
  g_bus_get(
      G_BUS_TYPE_SYSTEM, pending_.get(),
      [](GObject*, GAsyncResult* result, gpointer data) {
        auto q = CallbackState<Question>::Take(data);
        GDBusConnection* bus = g_bus_get_finish(result, nullptr);
        if (!bus) {
          q->Tell(false);
          return;
        }
        g_dbus_connection_call(
            bus, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "CanPowerOff",
            nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 2000, q->cancel.get(),
            [](GObject* source, GAsyncResult* call, gpointer data2) {
              auto asked = CallbackState<Question>::Take(data2);
              GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), call, nullptr);
              bool allowed = false;
              if (reply) {
                const char* text = nullptr;
                g_variant_get(reply, "(&s)", &text);
                allowed = text && (std::string(text) == "yes" || std::string(text) == "challenge");
                g_variant_unref(reply);
              }
              asked->Tell(allowed);
            },
            q.release());  // the call's answer takes it over
        g_object_unref(bus);
      },
      CallbackState<Question>::Give(std::move(answer), pending_));
}

void GtkFrameServices::RunPowerOffCommand() {
  const char* command = std::getenv("PANELIA_POWEROFF_COMMAND");
  std::string line = command && *command ? command : "systemctl poweroff";
  panelia::Log("leaving the kiosk: the scheduled power-off (%s)", line.c_str());
  GError* error = nullptr;
  if (!g_spawn_command_line_async(line.c_str(), &error)) g_clear_error(&error);  // Panelia has closed: nothing to tell
}

}  // namespace panelia
