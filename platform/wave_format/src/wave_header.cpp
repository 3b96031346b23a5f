#include "wave_format/wave_header.h"

#include <algorithm>
#include <cstring>

namespace wav {
namespace {

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t GetLe16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

}  // namespace

std::array<std::uint8_t, kWavHeaderSize> MakeWavHeader(std::uint32_t sampleRate, int channels,
                                                       std::uint64_t dataBytes) {
    const std::uint64_t maxData = 0xFFFFFFFFull - 36;
    const std::uint32_t data = std::uint32_t(std::min(dataBytes, maxData));
    std::array<std::uint8_t, kWavHeaderSize> h{};
    std::memcpy(h.data(), "RIFF", 4);
    PutLe32(h.data() + 4, data + 36);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    PutLe32(h.data() + 16, 16);
    PutLe16(h.data() + 20, 1);
    PutLe16(h.data() + 22, std::uint16_t(channels));
    PutLe32(h.data() + 24, sampleRate);
    PutLe32(h.data() + 28, sampleRate * 2 * std::uint32_t(channels));
    PutLe16(h.data() + 32, std::uint16_t(2 * channels));
    PutLe16(h.data() + 34, 16);
    std::memcpy(h.data() + 36, "data", 4);
    PutLe32(h.data() + 40, data);
    return h;
}

std::optional<WaveLayout> ParseWaveLayout(const std::vector<std::uint8_t>& head, std::uint64_t fileSize) {
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0 ||
        std::memcmp(head.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WaveLayout layout;
    bool haveFormat = false;
    std::uint64_t pos = 12;
    while (pos + 8 <= head.size()) {
        const std::uint8_t* chunk = head.data() + pos;
        const std::uint64_t size = GetLe32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || pos + 8 + 16 > head.size()) return std::nullopt;
            layout.formatTag = GetLe16(chunk + 8);
            layout.channels = GetLe16(chunk + 10);
            layout.sampleRate = GetLe32(chunk + 12);
            layout.byteRate = GetLe32(chunk + 16);
            layout.bitsPerSample = GetLe16(chunk + 22);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return std::nullopt;
            layout.dataOffset = pos + 8;
            const std::uint64_t held = fileSize > layout.dataOffset ? fileSize - layout.dataOffset : 0;
            layout.dataBytes = std::min(size, held);
            return layout;
        }
        pos += 8 + size + (size & 1);  // chunks are padded to even sizes
    }
    return std::nullopt;
}

}  // namespace wav
