// Reading alpha streams back: every frame is checked before the stream is used (marker, header
// words, both offset tables, every band's code covering its band exactly, padding, nothing after
// the last frame), so a truncated or inconsistent stream is refused at load time rather than fed
// to the board. Streams in either word order are read; the .adb index is built from the frames
// found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alpha_format.h"

namespace alpha_stream {

struct AlphaStreamInfo {
    bool reversed = false;  // every 32-bit word byte-reversed (the file begins "ABCC")
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint64_t> frameOffsets;  // byte position of every frame's marker
    std::uint64_t size = 0;
};

// The stream's frames, or nothing with the reason in `problem`.
std::optional<AlphaStreamInfo> ReadAlphaStreamInfo(const std::string& path, std::string* problem = nullptr);

// Checks one frame held in memory in the stream's own order (header, tables, codes, padding
// included); `bytes` is its padded length. The header when sound, else nothing with `problem`.
std::optional<AlphaFrameHeader> CheckAlphaFrame(const std::uint8_t* bytes, std::size_t size,
                                                std::string* problem = nullptr);

// Checks the stream and writes its .adb beside it (one entry per frame). False, with the reason,
// when the stream is refused or the index cannot be written; no partial index is left.
bool BuildAlphaIndexFile(const std::string& alpPath, std::string* problem = nullptr);

}  // namespace alpha_stream
