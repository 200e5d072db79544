#pragma once

#include <string>

namespace panelia {

// Directory of the running executable, with a trailing "/": companions, res/, Style/ and
// OpenURL.ini are looked for there, never on a search path.
std::string ModuleDirectory();

// `AppPath` as the configuration program expects it: the directory plus the fixed program name,
// whatever the executable file is called.
std::string AppPathFor(const std::string& module_directory);

}  // namespace panelia
