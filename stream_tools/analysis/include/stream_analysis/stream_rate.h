// The rate a video elementary stream really has: its bytes over the time its pictures take. Variable
// rate streams carry no usable rate in their header; the multiplexer's clock and the duration shown
// come from this instead.
#pragma once

#include <cstdint>
#include <functional>

#include "ps_common/byte_io.h"

namespace stream_analysis {

struct PictureCount {
    std::uint64_t pictures = 0;
    std::uint64_t lastPictureAt = 0;  // offset of the last picture start code counted
    bool wholeStream = false;         // the source ended within the limit
};

// Picture start codes in at most `limit` bytes from the source's position, codes split between
// reads included. `stop`, polled between reads, ends the count early.
PictureCount CountPictures(ps::ByteSource& source, std::uint64_t limit, const std::function<bool()>& stop = {});

struct StreamRate {
    std::uint64_t bitrate = 0;    // bit/s
    std::int64_t durationMs = 0;
};

// `bytes` over `pictures` periods of `framePeriod` 90 kHz ticks; zero rate without pictures.
StreamRate MeasureStreamRate(std::int64_t bytes, std::uint64_t pictures, int framePeriod);

// Whether a header's rate can describe a stream measured at `measured` bit/s: a constant rate
// stream's mean sits at its header rate, a variable one's below its peak, but one over the header
// rate could never be delivered at it, and one under half of it would be mostly padding.
bool HeaderRateFits(std::uint64_t headerRate, std::uint64_t measured);

}  // namespace stream_analysis
