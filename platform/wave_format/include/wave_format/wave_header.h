// The 44-byte header of a 16-bit PCM WAVE file, and finding the sample data of one that may carry
// other chunks before it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace wav {

inline constexpr std::size_t kWavHeaderSize = 44;

// RIFF sizes are 32-bit: larger data is clamped rather than wrapped.
std::array<std::uint8_t, kWavHeaderSize> MakeWavHeader(std::uint32_t sampleRate, int channels,
                                                       std::uint64_t dataBytes);

struct WaveLayout {
    int formatTag = 0;
    int channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    int bitsPerSample = 0;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;  // clamped to what the file holds
};

// Walks the chunks of the first bytes of a RIFF/WAVE file of `fileSize` bytes. Empty when no
// "fmt " and "data" chunk can be found in `head`.
std::optional<WaveLayout> ParseWaveLayout(const std::vector<std::uint8_t>& head, std::uint64_t fileSize);

}  // namespace wav
