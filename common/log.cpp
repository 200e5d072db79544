#include "common/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

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

}  // namespace panelia
