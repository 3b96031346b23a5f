// What both panels' status loops keep from one tick to the next: the last value a display shows
// and how long an output's progress entry has stayed the same.
#pragma once

#include <cstdint>

namespace velmar {

// One display of the status loop: whether it shows a position, and the value it shows.
struct DisplayTracker {
    bool shown = false;
    std::int64_t last = -1;
};

// Ticks during which an output's progress entry stayed the same (capped at 40).
struct DrainCounter {
    int count = 0;
    std::uint32_t word0 = 0;
    std::uint32_t word1 = 0;
};

inline constexpr int kDrainCounterCap = 40;

}  // namespace velmar
