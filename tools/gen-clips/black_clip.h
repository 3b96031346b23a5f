// A black MPEG-2 video elementary stream (Main profile at Main level, 4:2:0, intra pictures only)
// and its picture index: the parking clip the playback panel loads into an idle channel. Every
// start code begins on a 4-byte boundary, as in the streams the board writes.
#pragma once

#include <cstdint>
#include <vector>

struct BlackClipFormat {
    int width = 720;
    int height = 480;
    int frameRateCode = 4;  // 4: 29.97 (NTSC), 3: 25 (PAL)
    int pictures = 30;
    int groupSize = 15;
};

struct BlackClip {
    std::vector<std::uint8_t> stream;
    std::vector<std::uint64_t> groupOffsets;  // byte offset of each group's sequence header
};

BlackClip MakeBlackClip(const BlackClipFormat& format);
