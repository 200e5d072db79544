// panelia-reg: query and change the kiosk's settings store from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "common/reg_tool.h"
#include "platform/store/sqlite_registry.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  panelia::SqliteRegistry store(panelia::RegistryFilesFromEnvironment());
  return panelia::RunRegTool(args, store, {std::cout, std::cerr, std::cin});
}
