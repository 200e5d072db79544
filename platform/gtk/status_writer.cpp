#include "platform/gtk/status_writer.h"
#include "common/log.h"

#include <glib/gstdio.h>

#include <cstdio>

namespace panelia {
namespace {

constexpr guint kEverySeconds = 60;

bool WriteAtomically(const std::string& path, const std::string& text) {
  // g_file_set_contents writes a temporary file beside it and renames it over the old one.
  GError* error = nullptr;
  bool ok = g_file_set_contents(path.c_str(), text.data(), static_cast<gssize>(text.size()), &error) != FALSE;
  if (!ok) {
    Log("the status cannot be written to %s: %s", path.c_str(), error ? error->message : "unknown");
    g_clear_error(&error);
  }
  return ok;
}

}  // namespace

StatusWriter::StatusWriter(std::function<KioskStatus()> gather, std::string metrics_folder,
                           std::function<void(const std::string&)> publish)
    : gather_(std::move(gather)), metrics_folder_(std::move(metrics_folder)), publish_(std::move(publish)) {
  minute_ = g_timeout_add_seconds(
      kEverySeconds,
      [](gpointer self) -> gboolean {
        static_cast<StatusWriter*>(self)->Write();
        return G_SOURCE_CONTINUE;
      },
      this);
  Changed();
}

StatusWriter::~StatusWriter() {
  if (minute_) g_source_remove(minute_);
  if (soon_) g_source_remove(soon_);
}

std::string StatusWriter::StatusPath() {
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime && *runtime ? runtime : g_get_user_runtime_dir();
  return dir + "/panelia/status.json";
}

void StatusWriter::WriteWithin(guint ms) {
  if (soon_) return;
  soon_ = g_timeout_add(
      ms,
      [](gpointer self) -> gboolean {
        auto* writer = static_cast<StatusWriter*>(self);
        writer->soon_ = 0;
        writer->Write();
        return G_SOURCE_REMOVE;
      },
      this);
}

void StatusWriter::Write() {
  KioskStatus status = gather_();
  status.updated = g_get_real_time() / G_USEC_PER_SEC;
  std::string path = StatusPath();
  gchar* dir = g_path_get_dirname(path.c_str());
  g_mkdir_with_parents(dir, 0700);
  g_free(dir);
  std::string json = StatusJson(status);
  WriteAtomically(path, json);
  if (publish_) publish_(json);
  if (!metrics_folder_.empty()) WriteAtomically(metrics_folder_ + "/panelia.prom", StatusMetrics(status));
}

}  // namespace panelia
