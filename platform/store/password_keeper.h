// The keeper of the exit password's hash (panelia-password, beside the programs), as the kiosk and
// the settings tools ask it.
#pragma once

#include <optional>
#include <string>

#include "shell/exit_dialog.h"

namespace panelia {

// The keeper's answers, as its exit codes.
enum class KeeperAnswer { Right = 0, Wrong = 1, Nothing = 2, Wait = 3, NotInstalled = 6, NotRun = -1 };

// The keeper beside the running program (or PANELIA_PASSWORD_KEEPER), when there is one.
std::optional<std::string> PasswordKeeperPath();

// Runs the keeper with `command`, `input` on its standard input; what it printed goes to `output`.
KeeperAnswer AskPasswordKeeper(const std::string& command, const std::string& input, std::string* output = nullptr);

// Whether the stored password (or, when it is kept apart, the kept one) is the demo's.
bool IsDemoPasswordInUse(const std::string& stored);

// The keeper beside the programs answers the exit dialog for a password it keeps (a short wait on
// the interface thread: one hash).
class KeeperChecker final : public PasswordChecker {
 public:
  Answer Check(const std::string& entered) override;
};

// After a password was written into the settings: the keeper takes it into its keeping, where it
// is installed (nothing happens where it is not).
void LetKeeperAdoptPassword();

}  // namespace panelia
