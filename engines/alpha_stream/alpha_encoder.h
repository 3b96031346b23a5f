// The alpha stream encoder: plain functions over a stdio stream opened for binary writing. Each
// returns the bytes it wrote, 0 on any failure (invalid input, short write, stream error).
//
// A band's code is given as a list of segments (runs of video 0 or 1, explicit 2-bit selector
// samples, runs of one selector, data blocks and control units); the encoder sizes the code in a
// first pass, checks that it covers the band exactly, then emits it into one buffer and writes it
// with one write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "alpha_format.h"

namespace alpha_stream {

enum AlphaSegmentType : int {
    kRunVideo0 = 0,
    kRunVideo1 = 1,
    kExplicitSamples = 2,
    kRunSelector = 3,
    kDataOrControl = 4,
};

struct AlphaSegment {
    int type = kRunVideo0;
    // Units (types 0-3); data bytes (type 4 with HasData); type 4 without data: bits 4-7 give the
    // control value c.
    std::uint32_t count = 0;
    std::uint32_t value = 0;  // selector 0..3 (type 3)
    std::uint8_t a = 0;       // type 4: one-bit flags carried for the board
    std::uint8_t b = 0;
    bool HasData = false;
    std::vector<std::uint8_t> samples;  // type 2: one selector 0..3 per unit
    std::vector<std::uint8_t> data;     // type 4 with data
    AlphaSegment* next = nullptr;
};

// A singly linked list of segments that owns them: destroying or clearing it frees every segment
// with its buffers.
struct AlphaSegmentList {
    AlphaSegment* head = nullptr;
    AlphaSegment* tail = nullptr;

    AlphaSegmentList() = default;
    ~AlphaSegmentList();
    AlphaSegmentList(AlphaSegmentList&& other) noexcept : head(other.head), tail(other.tail) {
        other.head = other.tail = nullptr;
    }
    AlphaSegmentList& operator=(AlphaSegmentList&& other) noexcept;
    AlphaSegmentList(const AlphaSegmentList&) = delete;
    AlphaSegmentList& operator=(const AlphaSegmentList&) = delete;
};

// One record, not linked anywhere; the caller owns it until FreeAlphaSegment.
AlphaSegment* NewAlphaSegment();
// Links a new record at the tail and returns it; nothing when the list is inconsistent (a tail
// without a head, a head without a tail, a tail that has a successor).
AlphaSegment* AppendAlphaSegment(AlphaSegmentList& list);
void FreeAlphaSegment(AlphaSegment* segment);
void ClearAlphaSegments(AlphaSegmentList& list);

// 4, or 0 when the write fails or the stream's error flag is set.
std::size_t WriteBigEndian32(std::FILE* file, std::uint32_t value);
// The 17 header words in order: 68, or 0 for a wrong marker, a zero width, height or flag word,
// or a failed write.
std::size_t WriteAlphaHeader(const AlphaFrameHeader& header, std::FILE* file);
// Height / 16 big-endian entries: 4 x height / 16, or 0 for a height of 0 or not a multiple of 16,
// too few entries, an entry below the table's own size, or a failed write.
std::size_t WriteAlphaOffsetTable(std::span<const std::uint32_t> entries, std::uint32_t height, std::FILE* file);

// First pass: the code bytes of one band, nothing when the list is missing or empty, a segment
// is invalid, or the units do not add up to width x 8 (luma) or width x 4 (chroma).
std::optional<std::size_t> AlphaFieldCodeSize(const AlphaSegmentList& list, std::uint32_t width, bool luma);
// Both passes: the band's code, nothing when the first pass fails.
std::optional<std::vector<std::uint8_t>> EncodeAlphaField(const AlphaSegmentList& list, std::uint32_t width,
                                                          bool luma);
// Encodes one band and writes it with one write; its byte count, 0 on failure (a stream error is
// cleared after it has been reported).
std::size_t WriteAlphaField(const AlphaSegmentList& list, std::uint32_t width, bool luma, std::FILE* file);

// Packs count / 4 bytes of four 2-bit values each, the first in bits 7-6.
void PackTwoBitSamples(const std::uint8_t* samples, std::size_t count, std::uint8_t* out);

}  // namespace alpha_stream
