// The .alp alpha stream: one alpha frame per video field, each starting on a multiple of 8 bytes,
// every multi-byte value big-endian. A frame is the 68-byte header, the luma offset table, the
// luma code, the chroma offset table, the chroma code and zero padding to the next multiple of 8.
// One band of a table covers 16 picture lines, that is 8 lines of the field the frame describes.
#pragma once

#include <array>
#include <cstdint>

namespace alpha_stream {

// The frame marker as written: the bytes read "CCBA". A copy whose 32-bit words were byte-reversed
// begins "ABCC".
inline constexpr std::uint32_t kAlphaMarker = 0x43434241;
inline constexpr std::uint32_t kAlphaHeaderBytes = 68;
inline constexpr std::uint32_t kAlphaTrailer = 8;
inline constexpr std::uint32_t kAlphaFrameAlignment = 8;
inline constexpr int kLinesPerBand = 16;
// Units of one band's code: pixels of its 8 field lines (luma), pixel pairs (chroma).
inline constexpr int kLumaUnitsPerPixelColumn = 8;
inline constexpr int kChromaUnitsPerPixelColumn = 4;

// The mix levels of one selector value: word 1 carries four bytes for the board, word 2 the level
// of video 0 in bits 0-8 and of video 1 in bits 16-24.
struct MixEntry {
    std::uint32_t word1 = 0;
    std::uint32_t word2 = 0;
    bool operator==(const MixEntry&) const = default;
};

struct AlphaFrameHeader {
    std::uint32_t marker = kAlphaMarker;
    std::uint32_t FrameLength = 0;  // frame's first byte to the last chroma code byte, no padding
    std::uint32_t LumaTableOffset = kAlphaHeaderBytes;
    std::uint32_t ChromaTableOffset = 0;
    std::uint32_t Width = 0;   // pixels per line
    std::uint32_t Height = 0;  // lines of the picture (both fields), a multiple of 16
    std::uint32_t flag = 1;
    std::uint32_t reserved = 0;
    std::array<MixEntry, 4> mix{};
    std::uint32_t trailer = kAlphaTrailer;
    bool operator==(const AlphaFrameHeader&) const = default;
};

// Word 2 of a mix entry: video 0 at `level0`, video 1 at `level1` (each 0..511).
inline constexpr std::uint32_t MixLevels(std::uint32_t level0, std::uint32_t level1) {
    return (level0 & 0x1FF) | (level1 & 0x1FF) << 16;
}

inline constexpr std::uint32_t BandsOf(std::uint32_t height) { return height / kLinesPerBand; }
inline constexpr std::uint64_t PaddedLength(std::uint64_t frameLength) {
    return (frameLength + kAlphaFrameAlignment - 1) / kAlphaFrameAlignment * kAlphaFrameAlignment;
}

}  // namespace alpha_stream
