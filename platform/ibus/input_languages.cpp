#include "platform/ibus/input_languages.h"

#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>
// This one header of IBus lacks its C linkage block; GLib is in already, so only its own
// declarations are wrapped.
extern "C" {
#define __IBUS_H_INSIDE__
#include <ibusutil.h>
#undef __IBUS_H_INSIDE__
}
#include <ibus.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/gtk/callback_state.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/x11/xkb.h"
#include "common/log.h"

namespace panelia {

namespace {

// A daemon that does not answer within this costs the kiosk no more than this.
constexpr int kCallTimeoutMs = 500;

// The engines the operator preloaded, in their order (IBus's own setting).
std::vector<std::string> PreloadedEngines() {
  std::vector<std::string> names;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema =
      source ? g_settings_schema_source_lookup(source, "org.freedesktop.ibus.general", TRUE) : nullptr;
  if (!schema) return names;
  g_settings_schema_unref(schema);
  GSettings* settings = g_settings_new("org.freedesktop.ibus.general");
  gchar** engines = g_settings_get_strv(settings, "preload-engines");
  for (gchar** e = engines; e && *e; ++e) names.emplace_back(*e);
  g_strfreev(engines);
  g_object_unref(settings);
  return names;
}

// "Chinese - Intelligent Pinyin": the engine's language as people name it, then its own name.
std::string DisplayName(IBusEngineDesc* desc) {
  std::string longname = ibus_engine_desc_get_longname(desc) ? ibus_engine_desc_get_longname(desc) : "";
  const gchar* language = ibus_engine_desc_get_language(desc);
  gchar* language_name = language && *language ? ibus_get_language_name(language) : nullptr;
  std::string name = language_name && longname.find(language_name) == std::string::npos
                         ? std::string(language_name) + " - " + longname
                         : longname;
  g_free(language_name);
  return name.empty() ? ibus_engine_desc_get_name(desc) : name;
}

}  // namespace

InputLanguages::InputLanguages(Display* display) : display_(display) {}

InputLanguages::~InputLanguages() {
  if (forget_reset_) g_source_remove(forget_reset_);
  if (bus_) g_object_unref(bus_);
}

namespace {

constexpr const char* kPinyinSchema = "com.github.libpinyin.ibus-libpinyin.libpinyin";

GSettings* PinyinSettings() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kPinyinSchema, TRUE) : nullptr;
  if (!schema) return nullptr;
  bool has_key = g_settings_schema_has_key(schema, "clear-user-data");
  g_settings_schema_unref(schema);
  return has_key ? g_settings_new(kPinyinSchema) : nullptr;
}

// The desktop's settings database is written through its service on the session bus: without a
// bus every write fails (and GLib tries to start one through dbus-launch each time). A bus is there
// when its address is given, when the account's own bus listens in the runtime folder, or when
// GLib can start one for the display. Other backends (the key file) write by themselves.
bool SettingsWritable() {
  GSettingsBackend* backend = g_settings_backend_get_default();
  bool database = g_strcmp0(G_OBJECT_TYPE_NAME(backend), "DConfSettingsBackend") == 0;
  g_object_unref(backend);
  if (!database || g_getenv("DBUS_SESSION_BUS_ADDRESS")) return true;
  GCharPtr bus(g_build_filename(g_get_user_runtime_dir(), "bus", nullptr));
  if (g_file_test(bus.get(), G_FILE_TEST_EXISTS)) return true;
  GCharPtr launcher(g_find_program_in_path("dbus-launch"));
  return launcher && g_getenv("DISPLAY");
}

}  // namespace

void InputLanguages::ForgetLearned() {
  GSettings* settings = PinyinSettings();
  if (!settings) return;
  if (!SettingsWritable()) {
    // The engine reads the same database and cannot be told: said once, not at every visitor. The
    // kiosk session keeps the settings in a key file where there is no bus, so this is a kiosk
    // started by hand.
    if (!std::exchange(told_unwritable_, true))
      std::fprintf(stderr,
                   "panelia: pinyin cannot be told to forget a visitor's phrases: the desktop's settings "
                   "need a session bus here (or GSETTINGS_BACKEND=keyfile for the kiosk and IBus)\n");
    g_object_unref(settings);
    return;
  }
  // "all": the phrases it learned and every frequency it raised. The engine acts on the change, so
  // the value goes back to "" a little later (not at once: the engine would only see the last one).
  g_settings_set_string(settings, "clear-user-data", "all");
  g_settings_sync();
  g_object_unref(settings);
  if (forget_reset_) g_source_remove(forget_reset_);
  constexpr guint kResetSeconds = 3;
  forget_reset_ = g_timeout_add_seconds(
      kResetSeconds,
      [](gpointer self) -> gboolean {
        static_cast<InputLanguages*>(self)->forget_reset_ = 0;
        if (GSettings* s = PinyinSettings()) {
          g_settings_set_string(s, "clear-user-data", "");
          g_settings_sync();
          g_object_unref(s);
        }
        return G_SOURCE_REMOVE;
      },
      this);
}

bool InputLanguages::IBusRunning() {
  // Connected at the first question, not at start: it costs a program's start some 20 ms. The bus
  // then follows a daemon that stops or starts again by itself.
  if (!bus_) {
    ibus_init();
    bus_ = ibus_bus_new();
  }
  return bus_ && ibus_bus_is_connected(bus_);
}

KeyboardLayoutList InputLanguages::List() {
  KeyboardLayoutList list;
  std::vector<std::string> names = IBusRunning() ? PreloadedEngines() : std::vector<std::string>{};
  if (!names.empty()) {
    // The engines' descriptions, asked with a time limit of our own.
    GPtrArray* array = g_ptr_array_new();
    for (auto& n : names) g_ptr_array_add(array, n.data());
    g_ptr_array_add(array, nullptr);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        ibus_bus_get_connection(bus_), IBUS_SERVICE_IBUS, IBUS_PATH_IBUS, IBUS_INTERFACE_IBUS, "GetEnginesByNames",
        g_variant_new("(^as)", reinterpret_cast<gchar**>(array->pdata)), G_VARIANT_TYPE("(av)"), G_DBUS_CALL_FLAGS_NONE,
        kCallTimeoutMs, nullptr, &error);
    g_ptr_array_free(array, TRUE);
    if (reply) {
      GVariantIter* iter = nullptr;
      g_variant_get(reply, "(av)", &iter);
      GVariant* item = nullptr;
      while (g_variant_iter_loop(iter, "v", &item)) {
        auto* desc = IBUS_ENGINE_DESC(ibus_serializable_deserialize(item));
        if (!desc) continue;
        KeyboardLayout layout;
        layout.id = ibus_engine_desc_get_name(desc);
        layout.name = DisplayName(desc);
        layout.input_method = true;
        list.push_back(std::move(layout));
        g_object_unref(desc);
      }
      g_variant_iter_free(iter);
      g_variant_unref(reply);
    } else {
      Log("IBus does not describe its engines: %s", error ? error->message : "no reply");
      g_clear_error(&error);
    }
  }
  if (list.empty()) list = x11::ReadKeyboardLayouts(display_);
  return list;
}

void InputLanguages::Activate(const KeyboardLayout& layout) {
  if (!layout.input_method) {
    x11::LockKeyboardGroup(display_, layout.group);
    return;
  }
  if (!IBusRunning()) return;
  // An engine is fed from the first group: a pinyin engine given another group's letters gets those.
  x11::LockKeyboardGroup(display_, 0);
  struct Switch {
    IBusBus* bus;
    std::string engine;
  };
  ibus_bus_get_global_engine_async(
      bus_, kCallTimeoutMs, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer p) {
        auto s = CallbackState<Switch>::Take(p);
        IBusEngineDesc* current = ibus_bus_get_global_engine_async_finish(IBUS_BUS(source), result, nullptr);
        bool already = current && s->engine == ibus_engine_desc_get_name(current);
        if (current) g_object_unref(current);
        if (!already)
          ibus_bus_set_global_engine_async(s->bus, s->engine.c_str(), kCallTimeoutMs, nullptr, nullptr, nullptr);
        g_object_unref(s->bus);
      },
      CallbackState<Switch>::Give(IBUS_BUS(g_object_ref(bus_)), layout.id));
}

}  // namespace panelia
