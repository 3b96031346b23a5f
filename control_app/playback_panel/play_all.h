// PLAY ALL's arithmetic: the order in which the four channels start and the field they start at.
#pragma once

#include <array>
#include <cstdint>

namespace velmar {

enum class PlayAllChannel : int { VideoA = 0, VideoB = 1, Alpha = 2, Audio = 3 };

// The channels sorted by their delays, ascending; gaps 2 and 1, and a later channel moves ahead
// only when its delay is strictly smaller.
std::array<PlayAllChannel, 4> PlayAllOrder(const std::array<int, 4>& delays);

// The first even field at least 15 fields after Video A's counter.
std::int32_t PlayAllBaseField(std::uint32_t videoACounter);

}  // namespace velmar
