#include "wave_format/wave_header.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/regular_file.h"

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

std::optional<WaveLayout> FindWaveLayout(const ReadAt& read, std::uint64_t fileSize) {
    std::uint8_t riff[12];
    if (read(0, riff, sizeof riff) < sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WaveLayout layout;
    bool haveFormat = false;
    std::uint64_t pos = 12;
    std::uint8_t chunk[8];
    // Every step moves at least 8 bytes on, and a read past the end ends the walk.
    while (read(pos, chunk, sizeof chunk) == sizeof chunk) {
        const std::uint64_t size = GetLe32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::uint8_t format[16];
            if (size < 16 || read(pos + 8, format, sizeof format) < sizeof format) return std::nullopt;
            layout.formatTag = GetLe16(format);
            layout.channels = GetLe16(format + 2);
            layout.sampleRate = GetLe32(format + 4);
            layout.byteRate = GetLe32(format + 8);
            layout.bitsPerSample = GetLe16(format + 14);
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

std::optional<WaveLayout> ParseWaveLayout(const std::vector<std::uint8_t>& head, std::uint64_t fileSize) {
    return FindWaveLayout(
        [&](std::uint64_t offset, std::uint8_t* dst, std::size_t n) -> std::size_t {
            if (offset >= head.size()) return 0;
            const std::size_t take = std::min<std::uint64_t>(n, head.size() - offset);
            std::memcpy(dst, head.data() + offset, take);
            return take;
        },
        fileSize);
}

std::optional<WaveLayout> ReadWaveLayout(const std::string& path) {
    // A FIFO would never end.
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) return std::nullopt;
    const std::uint64_t size = std::uint64_t(info.st_size);
    // Small chunks one after another come from one window, not one read each.
    std::vector<std::uint8_t> window(64 * 1024);
    std::uint64_t windowStart = 0, windowHeld = 0;
    const auto read = [&](std::uint64_t offset, std::uint8_t* dst, std::size_t n) -> std::size_t {
        if (offset < windowStart || offset + n > windowStart + windowHeld) {
            windowStart = offset;
            windowHeld = fseeko(file.get(), off_t(offset), SEEK_SET) == 0
                             ? std::fread(window.data(), 1, window.size(), file.get())
                             : 0;
        }
        if (offset >= windowStart + windowHeld) return 0;
        const std::size_t take = std::min<std::uint64_t>(n, windowStart + windowHeld - offset);
        std::memcpy(dst, window.data() + (offset - windowStart), take);
        return take;
    };
    return FindWaveLayout(read, size);
}

}  // namespace wav
