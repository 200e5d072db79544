// The one shape of every growing wait in the suite (the pages' recovery, the exit password's
// guesses, the music player's restarts): `first`, twice that after each further step, never more
// than `most`.
#pragma once

#include <algorithm>
#include <cstdint>

namespace panelia {

struct Doubling {
  uint64_t first, most;
  // The wait at `step` (0 for the first): first * 2^step, at most `most`.
  constexpr uint64_t Wait(int step) const {
    uint64_t wait = first;
    for (int i = 0; i < step && wait < most; ++i) wait *= 2;
    return std::min(wait, most);
  }
};

}  // namespace panelia
