// "Only one of me": an exclusive lock on a file of the user's runtime folder, held as long as the
// process lives and gone with it, so a crash never leaves a stale lock behind.
#pragma once

#include <string_view>

namespace panelia {

// False when another process holds the lock of that name. Where no lock file can be made at all,
// true: better a second window than none.
bool TakeInstanceLock(std::string_view name);

}  // namespace panelia
