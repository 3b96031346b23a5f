// What the record microcode's command words tell the software board's encoder: picture size,
// rate control, GOP structure, the compress-from-file source and the audio rate. Plain data,
// filled command by command.
#pragma once

#include <cstdint>

#include "softboard/soft_board.h"

namespace softboard {

struct EncoderProgram {
    int horizontalCode = 0;   // 0xb113: the size code
    int verticalCode = -1;    // 0xb111: -1 until one is sent (4:2:0 gets none)
    bool vbr = false;
    std::uint32_t bitRate = 8'000'000;  // bit/s: the maximum in VBR, the rate in CBR
    int minQ = 2;
    bool sceneChange = true;
    int intraDistance = 15;   // I to I
    int refDistance = 3;      // I to P
    int closeFreq = 1;        // 0: no group closed
    bool lumaFilter = false;
    bool chromaFilter = false;
    // Compress from file: the source's pixels per line and pixel format word, and frames to take.
    std::uint32_t sourcePixels = 0;
    std::uint32_t sourceFormat = 0;
    std::uint32_t sourceFrames = 0;
    int audioRateCode = 2;    // 0 32 kHz, 1 44.1 kHz, 2 48 kHz
};

// Takes one command word into the program; false when it is not an encoder setting.
bool ApplyEncoderCommand(EncoderProgram& program, const DecodedCommand& command);

struct PictureGeometry {
    int width = 720;
    int height = 480;
};

// The picture size the program asks for in a format and TV standard; codes outside the
// microcode's tables take the format's full size.
PictureGeometry GeometryOf(const EncoderProgram& program, board_map::StreamFormat format, board_map::TvStandard standard);

std::uint32_t AudioSampleRate(int rateCode);

// Bytes per pixel and whether the source rows carry 4:2:2 (two bytes a pixel) for a source format word.
int SourceBytesPerPixel(std::uint32_t sourceFormat);

}  // namespace softboard
