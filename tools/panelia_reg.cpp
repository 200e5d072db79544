// panelia-reg: query and change the kiosk's settings store from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "common/reg_tool.h"
#include "platform/store/password_keeper.h"
#include "platform/store/sqlite_registry.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  panelia::SqliteRegistry store(panelia::RegistryFilesFromEnvironment());
  const int result = panelia::RunRegTool(args, store, {std::cout, std::cerr, std::cin});
  // A password written in clear or as a hash goes into the keeper's keeping, where it is installed.
  if (result == 0 && !args.empty() && (args[0] == "add" || args[0] == "import")) panelia::LetKeeperAdoptPassword();
  return result;
}
