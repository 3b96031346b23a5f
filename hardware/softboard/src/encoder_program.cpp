#include "encoder_program.h"

#include "board_commands/command_words.h"

namespace softboard {

namespace {

using namespace board_commands;

constexpr std::uint32_t kAudioPortGroup = 0x004003E8;  // the port expander that holds the rate code

constexpr int kMpeg2Widths[] = {720, 704, 640, 544, 480, 384, 368, 352, 320};
constexpr int kMpeg1Widths[] = {352, 320, 176, 160};  // codes 1 to 4

}  // namespace

bool ApplyEncoderCommand(EncoderProgram& p, const DecodedCommand& c) {
    const auto& w = c.parameters;
    const auto at = [&](std::size_t i) { return i < w.size() ? w[i] : 0u; };
    switch (c.opcode) {
    case kHorizontalSize: p.horizontalCode = static_cast<int>(at(0)); return true;
    case kVerticalSize: p.verticalCode = static_cast<int>(at(0)); return true;
    case kFilters:
        p.lumaFilter = at(0) != 0;
        p.chromaFilter = at(1) != 0;
        return true;
    case kRateControl:
        p.vbr = at(0) != 0;
        if (p.vbr) {
            p.bitRate = at(1);
            p.minQ = static_cast<int>(at(2));
        }
        return true;
    case kBitRate: p.bitRate = at(0); return true;
    case kSceneChange: p.sceneChange = at(0) != 0; return true;
    case kGop:
        p.intraDistance = static_cast<int>(at(0));
        p.refDistance = static_cast<int>(at(1));
        return true;
    case kClosedGop: p.closeFreq = static_cast<int>(at(0)); return true;
    case kSourceFormat:
        if (c.stream != 2) return false;
        p.sourcePixels = at(0) >> 16;
        p.sourceFormat = at(1);
        return true;
    case kSourceFrameCount: p.sourceFrames = at(0); return true;
    case kDeviceMessage:
        if (at(1) != kAudioPortGroup || w.size() < 4) return false;
        p.audioRateCode = static_cast<int>(at(3) >> 24) & 3;
        return true;
    default: return false;
    }
}

PictureGeometry GeometryOf(const EncoderProgram& p, board_map::StreamFormat format, board_map::TvStandard standard) {
    using board_map::StreamFormat;
    const bool pal = standard == board_map::TvStandard::Pal;
    PictureGeometry g;
    if (format == StreamFormat::Mpeg1) {
        const int h = p.horizontalCode;
        g.width = h >= 1 && h <= 4 ? kMpeg1Widths[h - 1] : 352;
        const int v = p.verticalCode;
        if (pal)
            g.height = v == 3 ? 144 : 288;
        else
            g.height = v == 1 ? 112 : 240;
        return g;
    }
    const int h = p.horizontalCode;
    g.width = h >= 0 && h <= 8 ? kMpeg2Widths[h] : 720;
    g.height = pal ? 576 : 480;
    if (format == StreamFormat::Mpeg2_422) {
        if (pal && p.verticalCode == 5) g.height = 608;
        if (!pal && p.verticalCode == 3) g.height = 512;
    }
    return g;
}

std::uint32_t AudioSampleRate(int rateCode) {
    switch (rateCode & 3) {
    case 0: return 32000;
    case 1: return 44100;
    default: return 48000;
    }
}

int SourceBytesPerPixel(std::uint32_t sourceFormat) {
    switch (sourceFormat >> 16 & 0xFF) {
    case 0x72: return 3;  // 24-bit Targa
    case 0x41: return 2;  // 4:2:2 frames
    default: return 4;    // film strip, 32-bit Targa
    }
}

}  // namespace softboard
