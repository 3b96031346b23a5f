// What both panels' status loops keep from one tick to the next: the last value a display shows
// and how long an output's progress entry has stayed the same.
#pragma once

#include <algorithm>
#include <cstdint>

namespace velmar {

// One display of the status loop: whether it shows a position, and the value it shows.
struct DisplayTracker {
    bool shown = false;
    std::int64_t last = -1;
};

inline constexpr int kDrainCounterCap = 40;

// Ticks during which an output's progress entry stayed the same (capped at 40).
struct DrainCounter {
    int count = 0;
    std::uint32_t word0 = 0;
    std::uint32_t word1 = 0;

    // One tick's copy of the entry's two words: the count goes up while they stay, and starts
    // again at 0 when they move.
    void Update(std::uint32_t w0, std::uint32_t w1) {
        if (w0 == word0 && w1 == word1) {
            count = std::min(count + 1, kDrainCounterCap);
            return;
        }
        word0 = w0;
        word1 = w1;
        count = 0;
    }
};

}  // namespace velmar
