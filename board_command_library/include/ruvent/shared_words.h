// The shared words of the driver's per-board register file through which mwcmd callers, mquit
// and the service loop meet.
#pragma once

#include <cstdint>

namespace ruvent::shared_word {

inline constexpr std::uint32_t kInputRequestCount = 0;
inline constexpr std::uint32_t kOutputRequestCount = 1;
inline constexpr std::uint32_t kAbortRequest = 2;
inline constexpr std::uint32_t kStoppedOutput = 14;
inline constexpr std::uint32_t kNoStoppedOutput = 32;  // kStoppedOutput while no output is being stopped
inline constexpr std::uint32_t kQuitRequest = 15;
// An output named on mdaemon's command line is registered with this semaphore, which the loop never serves.
inline constexpr std::uint32_t kNamedAtStart = 10;
// An output name's flag word: the stream flags in bits 0-2, the board above them.
inline constexpr std::uint32_t kNameFlagsMask = 7;
inline constexpr std::uint32_t kNameFlagsBoardShift = 3;
inline constexpr std::uint32_t kOutputStreamMode = 16;  // 16-23, one per output stream

inline constexpr std::uint32_t kQuitValue = 0xFFFFFFFF;

}  // namespace ruvent::shared_word
