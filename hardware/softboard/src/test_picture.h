// The picture the software board records in live mode: moving bars and a moving block, the board
// time code and the field number in large digits, and the field number once more as a strip of
// 24 black and white blocks along the top, which a program can read back from a decoded frame.
#pragma once

#include <cstdint>

namespace softboard {

struct PicturePlanes {
    std::uint8_t* data[3] = {};  // Y, Cb, Cr
    int linesize[3] = {};
    int width = 0;
    int height = 0;
    bool chroma422 = false;  // else 4:2:0
};

inline constexpr int kFieldCodeBits = 24;

void DrawTestPicture(const PicturePlanes& planes, std::uint32_t timecode, std::uint64_t fieldNumber);

// Reads the field number back from a luma plane drawn above (after coding, by thresholds).
std::uint64_t ReadFieldCode(const std::uint8_t* luma, int linesize, int width);

}  // namespace softboard
