// Starting programs as the shell does: detached, no arguments, in the caller's current directory,
// with the show command for the program's first showing and whether the screen reader speaks in its
// environment.
#pragma once

#include <functional>

#include "common/window_system.h"

namespace panelia {

class GlibLauncher final : public ProgramLauncher {
 public:
  explicit GlibLauncher(std::function<bool()> reader_speaks = nullptr) : reader_speaks_(std::move(reader_speaks)) {}
  bool Start(const std::string& path, ShowCommand show) override;

 private:
  std::function<bool()> reader_speaks_;
};

}  // namespace panelia
