// The scans of the index builder over aligned 32-bit words, fed block after block with their
// state carried across blocks.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "index_formats/alpha_index.h"
#include "index_formats/picture_index.h"

namespace index_builder {

// The .mdb of an MPEG-2 video stream. Groups run from one sequence header start code to the next;
// the word after a picture start code carries the picture's temporal reference.
class PictureIndexScan {
public:
    // Receives one group's records in display order; returns false on a short write.
    using GroupWriter = std::function<bool(const std::vector<index_formats::PictureIndexRecord>&)>;

    PictureIndexScan(bool reversedWords, GroupWriter writer);

    // `words` as read little-endian from the file. False on a write failure, a stream the format
    // cannot describe, or a sequence, group or picture start code off a 4-byte boundary (the
    // board writes its streams with every start code on one; the scan would not see it); Error()
    // then says why.
    bool Feed(const std::uint32_t* words, std::size_t count);
    // The last group, with the last-group bit on every record.
    bool Finish();
    const std::string& Error() const { return error_; }

private:
    bool FlushGroup(bool last);
    bool Fail(std::string message);

    bool reversed_;
    GroupWriter writer_;
    std::uint64_t position_ = 0;    // words from the start of the file
    std::uint64_t groupStart_ = 0;  // word position of the current group's sequence header
    bool pictureStart_ = false;
    std::uint32_t previous_ = 0;    // the word before, bytes in file order
    int pictures_ = 0;              // n: highest temporal reference + 1
    std::bitset<index_formats::kMaxTemporalReference + 1> seen_;
    std::string error_;
};

// The .adb of an alpha stream: the word position of each frame's marker word.
class AlphaIndexScan {
public:
    explicit AlphaIndexScan(std::uint32_t marker) : marker_(marker) {}
    // Appends the entries of the markers in this block; false when a marker lies beyond what a
    // 32-bit entry can hold (16 GiB), Error() then says so.
    bool Feed(const std::uint32_t* words, std::size_t count, std::vector<index_formats::AlphaIndexEntry>& entries);
    const std::string& Error() const { return error_; }

private:
    std::uint32_t marker_;
    std::uint64_t position_ = 0;
    std::string error_;
};

}  // namespace index_builder
