// The 44-byte header of a 16-bit PCM WAVE file, and finding the sample data of one that may carry
// other chunks before it: the one WAVE reader of every program.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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

// Reads up to `n` bytes at `offset` into `dst`; returns how many it read.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::uint8_t* dst, std::size_t n)>;

// Walks the chunks of a RIFF/WAVE file of `fileSize` bytes to its "fmt " and "data" chunks,
// however many other chunks (LIST, fact, ...) stand before them. Empty when there are none.
std::optional<WaveLayout> FindWaveLayout(const ReadAt& read, std::uint64_t fileSize);

// The same over bytes in memory: the first bytes of a file of `fileSize` bytes.
std::optional<WaveLayout> ParseWaveLayout(const std::vector<std::uint8_t>& head, std::uint64_t fileSize);

// The same over a file; empty also when it cannot be read.
std::optional<WaveLayout> ReadWaveLayout(const std::string& path);

}  // namespace wav
