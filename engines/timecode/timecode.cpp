#include "timecode.h"

#include <algorithm>
#include <cstdio>

namespace velmar {
namespace {

PackedTimecode Pack(const int (&digits)[8]) {
    PackedTimecode code = 0;
    for (int digit : digits) code = (code << 4) | static_cast<PackedTimecode>(digit & 0xF);
    return code;
}

void Unpack(PackedTimecode code, int (&digits)[8]) {
    for (int i = 7; i >= 0; --i) {
        digits[i] = static_cast<int>(code & 0xF);
        code >>= 4;
    }
}

// 100 hours of frames: the first count a two-digit hour cannot show.
constexpr std::int64_t kPalFramesIn100Hours = 100LL * 90000;
constexpr std::int64_t kNtscFramesIn100Hours = 100LL * 107892;

}  // namespace

PackedTimecode FramesToTimecode(std::int64_t frames, TvStandard standard) {
    const std::int64_t limit = standard == TvStandard::Pal ? kPalFramesIn100Hours : kNtscFramesIn100Hours;
    const int n = static_cast<int>(std::clamp<std::int64_t>(frames, 0, limit - 1));
    if (standard == TvStandard::Pal) {
        const int f = n % 90000, g = f % 1500;
        const int digits[8] = {n / 900000, n % 900000 / 90000, f / 15000, f % 15000 / 1500,
                               g / 250,    g % 250 / 25,       g % 25 / 10, g % 25 % 10};
        return Pack(digits);
    }
    const int b = n % 107892;  // frames in the hour
    const int c = b % 17982;   // frames in the ten-minute block
    int minuteUnits = 0, d = c;
    if (c >= 1800) {
        minuteUnits = (c - 2) / 1798;
        d = (c - 2) % 1798 + 2;
    }
    const int digits[8] = {n / 1078920, n % 1078920 / 107892, b / 17982, minuteUnits,
                           d / 300,     d % 300 / 30,        d % 30 / 10, d % 10};
    return Pack(digits);
}

int TimecodeToFrames(PackedTimecode code, TvStandard standard) {
    int d[8];
    Unpack(code, d);
    const int blocks = (d[0] * 10 + d[1]) * 6 + d[2];  // ten-minute blocks
    if (standard == TvStandard::Pal)
        return ((((blocks * 10 + d[3]) * 6 + d[4]) * 10 + d[5]) * 25) + d[6] * 10 + d[7];
    return blocks * 17982 + d[3] * 1798 + d[4] * 300 + d[5] * 30 + d[6] * 10 + d[7];
}

PackedTimecode IsValidTimecode(PackedTimecode code, TvStandard standard) {
    int d[8];
    Unpack(code, d);
    d[0] = std::min(d[0], 2);
    d[1] = std::min(d[1], d[0] == 2 ? 3 : 9);
    d[2] = std::min(d[2], 5);
    d[3] = std::min(d[3], 9);
    d[4] = std::min(d[4], 5);
    d[5] = std::min(d[5], 9);
    d[6] = std::min(d[6], 2);
    if (standard == TvStandard::Pal) {
        d[7] = std::min(d[7], d[6] == 2 ? 4 : 9);
    } else {
        d[7] = std::min(d[7], 9);
        const bool dropped = d[3] != 0 && d[4] == 0 && d[5] == 0 && d[6] == 0;
        if (dropped && d[7] < 2) d[7] = 2;
    }
    return Pack(d);
}

std::string FormatTimecode(PackedTimecode code) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2x:%.2x:%.2x:%.2x", code >> 24, (code >> 16) & 0xFF, (code >> 8) & 0xFF,
                  code & 0xFF);
    return text;
}

}  // namespace velmar
