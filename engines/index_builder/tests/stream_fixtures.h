// Streams for the index builder's tests: synthetic MPEG-2 video of start codes only, and real
// ffmpeg output with its start codes moved onto 4-byte boundaries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace index_builder_testing {

using Bytes = std::vector<std::uint8_t>;

// Builds a stream word by word in file order.
class SyntheticStream {
public:
    SyntheticStream& SequenceHeader();
    SyntheticStream& Picture(unsigned temporalReference);  // picture start code + reference word
    SyntheticStream& Filler(std::size_t words);
    std::size_t Words() const { return bytes_.size() / 4; }
    const Bytes& Data() const { return bytes_; }

private:
    void Word(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    Bytes bytes_;
};

// Every 32-bit word byte-reversed, as the other board type stores streams.
Bytes ReverseWords(Bytes data);
// Zero stuffing in front of each start code so that each begins at a byte offset divisible by 4.
Bytes AlignStartCodes(const Bytes& data);

void WriteFile(const std::string& path, const Bytes& data);
Bytes ReadFile(const std::string& path);

}  // namespace index_builder_testing
