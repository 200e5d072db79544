#include "common/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace panelia {

bool TakeInstanceLock(std::string_view name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string path = std::string(runtime && *runtime ? runtime : "/tmp") + "/" + std::string(name) + ".lock";
  // Never closed: the lock lives with the process.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace panelia
