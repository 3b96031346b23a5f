#include "test_picture.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace softboard {

namespace {

// 5 x 7 digits and the colon, one byte a row, bit 4 the leftmost column.
constexpr std::uint8_t kGlyphs[11][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00},
};

constexpr int kCodeRows = 8;  // the field code strip's height in lines

void FillBlock(const PicturePlanes& p, int x0, int y0, int w, int h, std::uint8_t value) {
    const int x1 = std::min(p.width, x0 + w), y1 = std::min(p.height, y0 + h);
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    for (int y = y0; y < y1; ++y) std::memset(p.data[0] + std::size_t(y) * p.linesize[0] + x0, value, std::max(0, x1 - x0));
}

void DrawText(const PicturePlanes& p, const std::string& text, int x, int y, int scale) {
    for (char ch : text) {
        const int glyph = ch == ':' ? 10 : ch >= '0' && ch <= '9' ? ch - '0' : -1;
        if (glyph >= 0) {
            FillBlock(p, x - scale, y - scale, 7 * scale, 9 * scale, 16);
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (kGlyphs[glyph][row] & (0x10 >> col)) FillBlock(p, x + col * scale, y + row * scale, scale, scale, 235);
        }
        x += 6 * scale;
    }
}

std::string Hex2(std::uint32_t v) {
    const char digits[] = "0123456789";
    return {digits[(v >> 4) % 10], digits[(v & 0xF) % 10]};
}

}  // namespace

void DrawTestPicture(const PicturePlanes& p, std::uint32_t timecode, std::uint64_t fieldNumber) {
    const int shift = static_cast<int>(fieldNumber % 512);
    // Luma: a ramp that moves to the right two pixels a field.
    for (int y = 0; y < p.height; ++y) {
        std::uint8_t* row = p.data[0] + std::size_t(y) * p.linesize[0];
        for (int x = 0; x < p.width; ++x) row[x] = static_cast<std::uint8_t>(32 + ((x + 2 * shift) & 0xFF) * 3 / 4);
    }
    // Chroma: eight vertical bars of colour.
    const int chromaWidth = (p.width + 1) / 2;
    const int chromaHeight = p.chroma422 ? p.height : (p.height + 1) / 2;
    static constexpr std::uint8_t kCb[8] = {128, 44, 156, 72, 184, 100, 212, 128};
    static constexpr std::uint8_t kCr[8] = {128, 142, 44, 58, 198, 212, 114, 128};
    for (int y = 0; y < chromaHeight; ++y) {
        std::uint8_t* cb = p.data[1] + std::size_t(y) * p.linesize[1];
        std::uint8_t* cr = p.data[2] + std::size_t(y) * p.linesize[2];
        for (int x = 0; x < chromaWidth; ++x) {
            const int bar = x * 8 / chromaWidth;
            cb[x] = kCb[bar];
            cr[x] = kCr[bar];
        }
    }
    // A block that travels across the lower half.
    const int block = std::max(8, p.width / 16);
    FillBlock(p, (4 * static_cast<int>(fieldNumber)) % std::max(1, p.width - block), p.height * 2 / 3, block, block, 235);
    // The field number as a strip of blocks, most significant first.
    const int cell = p.width / kFieldCodeBits;
    for (int bit = 0; bit < kFieldCodeBits; ++bit) {
        const bool one = (fieldNumber >> (kFieldCodeBits - 1 - bit)) & 1;
        FillBlock(p, bit * cell, 0, cell, kCodeRows, one ? 235 : 16);
    }
    // Time code and field number in digits.
    const int scale = std::max(1, p.width / 180);
    const std::string tc = Hex2(timecode >> 24) + ":" + Hex2(timecode >> 16 & 0xFF) + ":" + Hex2(timecode >> 8 & 0xFF) +
                           ":" + Hex2(timecode & 0xFF);
    DrawText(p, tc, 4 * scale, kCodeRows + 4 * scale, scale);
    DrawText(p, std::to_string(fieldNumber), 4 * scale, kCodeRows + 16 * scale, scale);
}

std::uint64_t ReadFieldCode(const std::uint8_t* luma, int linesize, int width) {
    const int cell = width / kFieldCodeBits;
    std::uint64_t value = 0;
    for (int bit = 0; bit < kFieldCodeBits; ++bit) {
        int sum = 0;
        for (int y = 2; y < kCodeRows - 2; ++y) sum += luma[std::size_t(y) * linesize + bit * cell + cell / 2];
        value = value << 1 | (sum / (kCodeRows - 4) > 128 ? 1 : 0);
    }
    return value;
}

}  // namespace softboard
