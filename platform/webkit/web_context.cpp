// The kiosk's one web context and the file system as its local-file fence sees it.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/log.h"
#include "platform/webkit/webkit_browser.h"

namespace panelia {
namespace {

std::string KioskDataFolder() {
  return std::string(g_get_user_data_dir()) + "/panelia";
}

uint64_t MachineMemoryMiB() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  return pages > 0 && page_size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size) >> 20 : 4096;
}

}  // namespace

// Whether the machine has a graphics processor the engine can composite with (a DRM render node).
// Without one, accelerated compositing runs on a software GL renderer: no faster than the engine's
// own drawing, and about 55 MiB more per view.
bool HasGraphicsProcessor() {
  static const bool found = [] {
    GDir* dir = g_dir_open("/dev/dri", 0, nullptr);
    bool render_node = false;
    if (dir) {
      while (const char* name = g_dir_read_name(dir)) render_node |= g_str_has_prefix(name, "renderD") != FALSE;
      g_dir_close(dir);
    }
    if (!render_node) Log("no graphics processor; pages are drawn without compositing");
    return render_node;
  }();
  return found;
}

void DrawWithoutGpuWhenThereIsNone() {
  // The views draw without compositing on such a machine anyway. Told before it starts, the engine
  // takes the shorter way to the first page. An operator's own setting of any of these stays.
  if (HasGraphicsProcessor()) return;
  g_setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", FALSE);
  g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  // Neither the toolkit nor the engine's side in this process draws with GL then, yet both would
  // look for it, and finding only the software renderer loads it with its compiler: some 20 MiB
  // in this process and part of the start-up. The toolkit is told directly. GL's dispatcher reads
  // its drivers once, at its first question: asked now with none to find, it keeps none for this
  // process, while the web processes (which need one to start at all) get the usual environment.
  g_setenv("GDK_GL", "disable", FALSE);
  if (g_getenv("__EGL_VENDOR_LIBRARY_DIRS") || g_getenv("__EGL_VENDOR_LIBRARY_FILENAMES")) return;
  void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
  auto* query = egl ? reinterpret_cast<const char* (*)(void*, int)>(dlsym(egl, "eglQueryString")) : nullptr;
  if (!query) return;
  constexpr int kEglExtensions = 0x3055;
  g_setenv("__EGL_VENDOR_LIBRARY_DIRS", "/nonexistent", TRUE);
  query(nullptr, kEglExtensions);
  g_unsetenv("__EGL_VENDOR_LIBRARY_DIRS");
}

namespace {

ProxyChoice& KioskProxy() {
  static ProxyChoice choice;
  return choice;
}

// The hosts reached without the proxy, as GLib and the engine take them: a list ending in null.
std::vector<char*> IgnoredHosts(const ProxyChoice& choice) {
  std::vector<char*> hosts;
  hosts.reserve(choice.ignore.size() + 1);
  for (const std::string& host : choice.ignore) hosts.push_back(const_cast<char*>(host.c_str()));
  hosts.push_back(nullptr);
  return hosts;
}

}  // namespace

void UseProxy(ProxyChoice choice) {
  KioskProxy() = std::move(choice);
  if (KioskProxy().mode == ProxyMode::Own) {
    std::string ignored;
    for (const std::string& host : KioskProxy().ignore) ignored += " " + host;
    Log("pages go through %s%s%s", ShortAddress(KioskProxy().address).c_str(),
        ignored.empty() ? "" : "; straight to:", ignored.c_str());
  } else if (KioskProxy().mode == ProxyMode::Straight) {
    Log("pages go straight to their sites, without a proxy");
  }
}

void ApplyProxy(WebKitWebsiteDataManager* manager) {
  const ProxyChoice& choice = KioskProxy();
  if (choice.mode == ProxyMode::System) return;  // the engine's default: the system's settings
  if (choice.mode == ProxyMode::Straight) {
    webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_NO_PROXY, nullptr);
    return;
  }
  std::vector<char*> ignore = IgnoredHosts(choice);
  WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(choice.address.c_str(), ignore.data());
  webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
  webkit_network_proxy_settings_free(settings);
}

void ConfigureProbe(GSocketClient* client) {
  const ProxyChoice& choice = KioskProxy();
  if (choice.mode == ProxyMode::Straight) {
    g_socket_client_set_enable_proxy(client, FALSE);
  } else if (choice.mode == ProxyMode::Own) {
    std::vector<char*> ignore = IgnoredHosts(choice);
    GProxyResolver* resolver = g_simple_proxy_resolver_new(choice.address.c_str(), ignore.data());
    g_socket_client_set_proxy_resolver(client, resolver);
    g_object_unref(resolver);
  }
}

bool UsesStandInCaptureDevices() {
  static const bool stand_in = g_strcmp0(g_getenv("PANELIA_CAPTURE_DEVICES"), "stand-in") == 0;
  return stand_in;
}

namespace {

// A web process is bounded in memory: one that runs away with memory is ended (the recovery brings
// the pages back) instead of pushing the machine into swap until the system steps in. Each look
// reads the process's memory map, about 5 ms for a page's process.
WebKitWebContext* BoundedContext(double look_seconds, WebKitWebsiteDataManager* sites) {
  WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
  webkit_memory_pressure_settings_set_memory_limit(memory, PageMemoryLimitMiB(MachineMemoryMiB()));
  webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
  webkit_memory_pressure_settings_set_poll_interval(memory, look_seconds);
  auto* made = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory,
                                               "website-data-manager", sites, nullptr));
  webkit_memory_pressure_settings_free(memory);
  return made;
}

}  // namespace

// The pages' processes are looked at every 5 s: a runaway page ends within seconds, and an idle
// kiosk's web processes sleep most of the time.
WebKitWebContext* KioskContext() {
  static WebKitWebContext* const context = [] {
    // What sites keep lives in folders only the kiosk's account may read.
    const std::string data = KioskDataFolder(), cache = std::string(g_get_user_cache_dir()) + "/panelia";
    for (const std::string& folder : {data, cache}) {
      g_mkdir_with_parents(folder.c_str(), 0700);
      chmod(folder.c_str(), 0700);
    }
    gpointer sites = g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", data.c_str(),
                                  "base-cache-directory", cache.c_str(), nullptr);
    WebKitWebContext* made = BoundedContext(5.0, WEBKIT_WEBSITE_DATA_MANAGER(sites));
    ApplyProxy(WEBKIT_WEBSITE_DATA_MANAGER(sites));
    g_object_unref(sites);
    MarkStartup("context");
    return made;
  }();
  return context;
}

// The bar shows the operator's own small page, which does not run away: its process is looked at
// every 30 s. Sharing the pages' network session, it needs no network process of its own.
WebKitWebContext* SideViewContext() {
  static WebKitWebContext* const context =
      BoundedContext(30.0, webkit_web_context_get_website_data_manager(KioskContext()));
  return context;
}

void RemoveSiteFolders() {
  // The engine's wipe empties each site's storage but leaves its folder, with a file naming the site.
  std::error_code error;
  const std::filesystem::path storage = std::filesystem::path(KioskDataFolder()) / "storage";
  for (const auto& entry : std::filesystem::directory_iterator(storage, error))
    if (entry.is_directory(error)) std::filesystem::remove_all(entry.path(), error);
}

bool GioLocalFiles::IsFolder(const std::string& uri) {
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  bool folder = path && g_file_test(path, G_FILE_TEST_IS_DIR);
  g_free(path);
  return folder;
}

std::string GioLocalFiles::ResolvedPath(const std::string& path) {
  std::error_code error;
  auto resolved = std::filesystem::weakly_canonical(path, error);
  return error ? std::string() : resolved.string();
}

std::string GioLocalFiles::ResolvedPathOf(const std::string& uri) {
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  std::string resolved = path ? ResolvedPath(path) : std::string();
  g_free(path);
  return resolved;
}

}  // namespace panelia
