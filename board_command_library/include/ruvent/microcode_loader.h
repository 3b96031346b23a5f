// Loading .ux microcode into the board.
#pragma once

#include <cstdint>
#include <vector>

#include "ruvent/ux_format.h"

namespace ruvent {

struct RegisterPair {
    std::uint32_t address = 0;
    std::uint32_t value = 0;
};

// Applies the rules of the reset registers to a pair about to be written and returns the pause in
// milliseconds that must follow it: 0xFC0000 pauses 1000 ms; 0xFC0600 is always written with 21;
// 0xFC0610 always with 0, then a 10 ms pause.
int CheckResetRegister(RegisterPair& pair);

// How long a read-back section may wait for board memory to match: this many 1 ms polls.
inline constexpr int kReadBackPolls = 2000;

// The pause sections of one file wait this long at most in total: a damaged file asking for minutes
// must not stall the board and its caller. Pauses past it are cut, with a warning.
inline constexpr int kMicrocodePauseBudgetMs = 10000;

// Applies one section to `board`; pauses are taken from `pauseBudgetMs`. Returns false when a
// read-back wait ran out of time.
bool LoadMicrocodeSection(std::uint32_t board, const ux::SectionHeader& header,
                          const std::vector<std::uint8_t>& payload, int& pauseBudgetMs);

}  // namespace ruvent
