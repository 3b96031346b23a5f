// The .adb alpha index: one 32-bit little-endian word position per alpha frame marker.
#pragma once

#include <cstdint>
#include <vector>

namespace index_formats {

struct AlphaIndexEntry {
    std::uint32_t markerWords = 0;  // byte offset of the frame's marker word / 4

    std::uint64_t ByteOffset() const { return std::uint64_t{markerWords} * 4; }
    bool operator==(const AlphaIndexEntry&) const = default;
};

std::vector<std::uint8_t> EncodeAlphaIndex(const std::vector<AlphaIndexEntry>& entries);
// A trailing partial entry is ignored.
std::vector<AlphaIndexEntry> DecodeAlphaIndex(const std::vector<std::uint8_t>& bytes);

}  // namespace index_formats
