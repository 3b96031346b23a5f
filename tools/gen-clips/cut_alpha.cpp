#include "cut_alpha.h"

namespace {

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Runs of video 0 covering `units`: 0x00 L covers 16 L units, 0x01-0x0F cover 1-15.
std::vector<std::uint8_t> RunOfVideo0(int units) {
    std::vector<std::uint8_t> code;
    while (units >= 16) {
        const int blocks = std::min(units / 16, 255);
        code.push_back(0x00);
        code.push_back(static_cast<std::uint8_t>(blocks));
        units -= blocks * 16;
    }
    if (units > 0) code.push_back(static_cast<std::uint8_t>(units));
    return code;
}

}  // namespace

std::vector<std::uint8_t> MakeCutAlpha(int width, int height, int fields) {
    const int bands = height / 16;
    const auto luma = RunOfVideo0(width * 8);
    const auto chroma = RunOfVideo0(width * 4);
    const auto lumaBytes = static_cast<std::uint32_t>(luma.size());
    const auto chromaBytes = static_cast<std::uint32_t>(chroma.size());
    const auto tableBytes = static_cast<std::uint32_t>(4 * bands);

    std::vector<std::uint8_t> out;
    for (int field = 0; field < fields; ++field) {
        PutBig32(out, 0x43434241);                                   // marker "CCBA"
        PutBig32(out, 68 + 2 * tableBytes + lumaBytes + chromaBytes);  // frame length
        PutBig32(out, 68);                                           // luma table offset
        PutBig32(out, 68 + tableBytes + lumaBytes);                  // chroma table offset
        PutBig32(out, static_cast<std::uint32_t>(width));
        PutBig32(out, static_cast<std::uint32_t>(height));
        PutBig32(out, 1);  // flag
        PutBig32(out, 0);  // reserved
        for (int entry = 0; entry < 4; ++entry) {
            PutBig32(out, 0);
            PutBig32(out, 0x100);  // video 0 at full level, video 1 at none
        }
        PutBig32(out, 8);  // trailer
        // Every band shares one code right after its table.
        for (int band = 0; band < bands; ++band) PutBig32(out, tableBytes);
        out.insert(out.end(), luma.begin(), luma.end());
        for (int band = 0; band < bands; ++band) PutBig32(out, tableBytes);
        out.insert(out.end(), chroma.begin(), chroma.end());
        while (out.size() % 8 != 0) out.push_back(0);
    }
    return out;
}
