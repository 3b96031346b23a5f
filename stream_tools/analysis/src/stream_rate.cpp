#include "stream_analysis/stream_rate.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "start_codes/start_codes.h"

namespace stream_analysis {

PictureCount CountPictures(ps::ByteSource& source, std::uint64_t limit, const std::function<bool()>& stop) {
    constexpr std::size_t kChunk = 1 << 16;
    constexpr std::size_t kCarry = 3;  // a start code's first three bytes may end one read
    std::vector<std::uint8_t> buffer(kCarry + kChunk);
    std::size_t held = 0;
    std::uint64_t read = 0;
    PictureCount count;
    while (read < limit && !(stop && stop())) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kChunk, limit - read));
        const std::size_t got = source.Read(buffer.data() + held, want);
        const std::uint64_t base = read - held;  // where buffer[0] lies in the stream
        read += got;
        const std::size_t size = held + got;
        // A code is found only once its code byte is in the buffer; the carried tail is too short
        // to hold a whole one, so none is counted twice.
        for (std::size_t at = start_codes::FindStartCode(buffer.data(), size); at < size;
             at = start_codes::FindStartCode(buffer.data(), size, at + 1)) {
            if (buffer[at + 3] != start_codes::kPicture) continue;
            ++count.pictures;
            count.lastPictureAt = base + at;
        }
        if (got < want) {
            count.wholeStream = true;
            break;
        }
        held = std::min(size, kCarry);
        std::memmove(buffer.data(), buffer.data() + size - held, held);
    }
    return count;
}

StreamRate MeasureStreamRate(std::int64_t bytes, std::uint64_t pictures, int framePeriod) {
    StreamRate r;
    if (pictures == 0 || framePeriod <= 0 || bytes <= 0) return r;
    const std::uint64_t ticks = pictures * std::uint64_t(framePeriod);
    r.bitrate = std::uint64_t(bytes) * 8 * 90000 / ticks;
    r.durationMs = std::int64_t(ticks / 90);
    return r;
}

bool HeaderRateFits(std::uint64_t headerRate, std::uint64_t measured) {
    // A tenth over the header allows for a short clip's start-up and the encoder's rounding.
    return measured * 10 <= headerRate * 11 && measured * 2 >= headerRate;
}

}  // namespace stream_analysis
