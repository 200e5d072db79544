// panelia-reg: the operators' command line for the settings store, with the habits of the
// platform's reg command.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "common/registry.h"

namespace panelia {

struct RegToolIo {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;  // answers to Yes/No questions when /f is not given
};

// Exit codes: 0 success, 1 failure (as reg does); `import --diff`: 0 nothing would change, 2 something
// would, 1 failure.
int RunRegTool(const std::vector<std::string>& args, RegistryStore& store, RegToolIo io);

}  // namespace panelia
