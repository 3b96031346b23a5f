// The part both library drivers share: 16-bit interleaved PCM in, the library's coded bytes out,
// with what does not fit the caller's buffer kept for the next call.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "codec_manager/codec_manager.h"

namespace acm {

class LibraryStream : public Stream {
public:
    ConvertResult Convert(const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* destination,
                          std::size_t destinationBytes, unsigned flags) override;

protected:
    explicit LibraryStream(int channels) : channels_(channels) {}
    // The library's calls: coded bytes appended to `out`; false on the library's error.
    virtual bool Encode(const std::int16_t* pcm, int samplesPerChannel, std::vector<std::uint8_t>& out) = 0;
    virtual bool Flush(std::vector<std::uint8_t>& out) = 0;
    // Appends the `reported` bytes one library call wrote to `scratch` (`room` bytes). False for
    // the library's error, and for a count beyond the room it was given: those bytes would be
    // read from past the scratch.
    static bool AppendCoded(int reported, const unsigned char* scratch, int room, std::vector<std::uint8_t>& out);

private:
    int channels_;
    bool flushed_ = false;
    std::vector<std::int16_t> pcm_;
    std::vector<std::uint8_t> coded_;
    std::deque<std::uint8_t> pending_;
};

// Format blocks of the two MPEG tags with their extra fields filled from the frame layout.
WaveFormat MpegFormat(std::uint32_t rate, int kbps, int layer);

}  // namespace acm
