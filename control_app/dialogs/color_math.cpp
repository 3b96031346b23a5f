#include "color_math.h"

#include <algorithm>

namespace velmar {
namespace {

int ShiftOf(PictureProperty property) {
    switch (property) {
    case PictureProperty::Brightness: return 24;
    case PictureProperty::Contrast: return 16;
    case PictureProperty::Saturation: return 8;
    case PictureProperty::Hue: return 0;
    }
    return 0;
}

int ToByte(double value) { return std::clamp(static_cast<int>(value), 0, 255); }

}  // namespace

int PropertyPercent(std::uint32_t inputColor, PictureProperty property) {
    const int byte = static_cast<int>((inputColor >> ShiftOf(property)) & 0xFF);
    switch (property) {
    case PictureProperty::Brightness: return byte * 100 / 255;
    case PictureProperty::Contrast:
    case PictureProperty::Saturation: return byte * 100 / 127;
    case PictureProperty::Hue: {
        // The middle of the bar is hue 0; the byte wraps around it.
        int percent = byte * 100 / 255 + 50;
        if (percent > 100) percent -= 100;
        return percent;
    }
    }
    return 0;
}

std::uint32_t WithPropertyPercent(std::uint32_t inputColor, PictureProperty property, int c) {
    int byte = 0;
    switch (property) {
    case PictureProperty::Brightness: byte = c * 255 / 100; break;
    case PictureProperty::Contrast:
    case PictureProperty::Saturation: byte = c * 127 / 100; break;
    case PictureProperty::Hue: {
        int h = c - 50;
        if (h < 0) h = c + 50;
        byte = h * 255 / 100;
        break;
    }
    }
    const int shift = ShiftOf(property);
    return (inputColor & ~(0xFFu << shift)) | ((static_cast<std::uint32_t>(byte) & 0xFF) << shift);
}

YCbCr RgbToYCbCr(const Rgb& c) {
    return {ToByte(0.299 * c.r + 0.587 * c.g + 0.114 * c.b),
            ToByte(0.498 * c.b - (0.168 * c.r + 0.33 * c.g) + 128),
            ToByte(0.498 * c.r - 0.418 * c.g - 0.081 * c.b + 128)};
}

Rgb YCbCrToRgb(const YCbCr& c) {
    return {ToByte(c.y + 1.407 * (c.cr - 128)),
            ToByte(c.y - 0.345 * (c.cb - 128) - 0.716 * (c.cr - 128)),
            ToByte(c.y + 1.779 * (c.cb - 128))};
}

std::uint32_t PackRefColor(const YCbCr& c) {
    return (static_cast<std::uint32_t>(c.y) << 16) + (static_cast<std::uint32_t>(c.cb) << 8) +
           static_cast<std::uint32_t>(c.cr);
}

YCbCr UnpackRefColor(std::uint32_t refColor) {
    return {static_cast<int>((refColor >> 16) & 0xFF), static_cast<int>((refColor >> 8) & 0xFF),
            static_cast<int>(refColor & 0xFF)};
}

}  // namespace velmar
