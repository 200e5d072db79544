#include "common/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

namespace panelia {

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  flockfile(stderr);
  std::fprintf(stderr, "%s: ", program_invocation_short_name);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  funlockfile(stderr);
  va_end(args);
}

void MarkStartup(const char* phase) {
  static const char* const file = std::getenv("PANELIA_STARTUP_TRACE");
  if (!file || !*file) return;
  static std::mutex lock;
  static std::set<std::string> marked;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::lock_guard<std::mutex> hold(lock);
  if (!marked.insert(phase).second) return;
  if (FILE* out = std::fopen(file, "a")) {
    std::fprintf(out, "%s %lld\n", phase, static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fclose(out);
  }
}

}  // namespace panelia
