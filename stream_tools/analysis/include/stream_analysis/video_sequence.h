// The fields of an MPEG-1/MPEG-2 video sequence header (and sequence extension) as the input probe
// and the demultiplexer's stream report read them from the first 40 words of a stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace stream_analysis {

inline constexpr std::size_t kSequenceProbeBytes = 160;  // 40 words

struct SequenceHeaderFields {
    bool mpeg2 = false;
    int aspectCode = 0;
    int frameRateCode = 0;
    int profileCode = 0;  // MPEG-2: the three bits below the escape bit
    int levelCode = 0;    // MPEG-2: the low four bits of profile and level
    int chromaFormat = 1;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t bitrate = 0;   // bit/s
    bool variableRate = false;   // the rate fields say "variable" (all ones, 0x3FFFF x 400 bit/s)
    std::uint64_t vbvBytes = 0;
};

// `head` holds `available` bytes (zero-filled up to 160). Empty result when the stream does not
// start with a sequence header or is too short to hold the fields read.
bool ReadSequenceHeader(const std::uint8_t* head, std::size_t available, SequenceHeaderFields& out);

// Tables shared by the probe and the stream report. Empty text for an invalid code.
const char* AspectRatioText(int code);
int FramePeriodForRate(int frameRateCode);  // 90 kHz ticks for the rates the multiplexer takes; 0 else

}  // namespace stream_analysis
