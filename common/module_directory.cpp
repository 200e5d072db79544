#include "common/module_directory.h"

#include <unistd.h>

#include <array>

#include "common/names.h"

namespace panelia {

std::string ModuleDirectory() {
  std::array<char, 4096> buffer{};
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  std::string path(buffer.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string AppPathFor(const std::string& module_directory) {
  return module_directory + std::string(kPaneliaProgram);
}

}  // namespace panelia
