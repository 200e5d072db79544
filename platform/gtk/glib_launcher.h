// Starting programs as the shell does: detached, no arguments, in the caller's current directory,
// with the show command in PANELIA_SHOW for the program's first showing.
#pragma once

#include "common/window_system.h"

namespace panelia {

class GlibLauncher final : public ProgramLauncher {
 public:
  bool Start(const std::string& path, ShowCommand show) override;
};

}  // namespace panelia
