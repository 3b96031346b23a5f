// The shared words of the driver's per-board register file through which mwcmd callers, mquit
// and the service loop meet.
#pragma once

#include <cstdint>

namespace ruvent::shared_word {

inline constexpr std::uint32_t kInputRequestCount = 0;
inline constexpr std::uint32_t kOutputRequestCount = 1;
inline constexpr std::uint32_t kAbortRequest = 2;
inline constexpr std::uint32_t kStoppedOutput = 14;
inline constexpr std::uint32_t kQuitRequest = 15;
inline constexpr std::uint32_t kOutputStreamMode = 16;  // 16-23, one per output stream

inline constexpr std::uint32_t kQuitValue = 0xFFFFFFFF;

}  // namespace ruvent::shared_word
