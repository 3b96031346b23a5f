// The encoder's elementary stream as the board hands it to the host: every start code on a 4-byte
// boundary (zero stuffing in front of it, which MPEG video allows), cut into picture units (a
// picture with the sequence and group headers in front of it) for the picture index.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace softboard {

struct PictureUnit {
    std::uint64_t bytes = 0;
    bool groupStart = false;  // begins with a sequence header
};

class StartCodeAligner {
public:
    // One coded picture (with its headers) as the codec produced it.
    void Append(const std::uint8_t* data, std::size_t bytes);
    // The sequence end code; the last unit ends with it.
    void Finish();

    std::vector<std::uint8_t>& Pending() { return pending_; }
    std::deque<PictureUnit>& Units() { return units_; }
    std::uint64_t Total() const { return total_; }

private:
    void Put(const std::uint8_t* data, std::size_t bytes);
    void PadToWord();

    std::vector<std::uint8_t> pending_;  // written, not yet taken
    std::deque<PictureUnit> units_;      // complete units, not yet taken
    std::uint64_t total_ = 0;            // bytes of the stream so far
    std::uint64_t unitStart_ = 0;
    bool unitOpen_ = false;
    bool unitGroupStart_ = false;
};

}  // namespace softboard
