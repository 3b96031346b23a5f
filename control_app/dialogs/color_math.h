// The arithmetic of the settings dialogs: the input colour's bytes as the percentages the Video
// Settings bar shows, and the Background Color Setting's conversions between RGB and YCbCr.
#pragma once

#include <cstdint>

namespace velmar {

enum class PictureProperty { Brightness = 0, Contrast = 1, Saturation = 2, Hue = 3 };

// The percentage (0..100) shown for `property` of `inputColor`.
int PropertyPercent(std::uint32_t inputColor, PictureProperty property);
// `inputColor` with `property` set from a bar value c (0..100).
std::uint32_t WithPropertyPercent(std::uint32_t inputColor, PictureProperty property, int c);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct YCbCr {
    int y = 0, cb = 0, cr = 0;
    bool operator==(const YCbCr&) const = default;
};

// Both truncate toward zero and clamp to 0..255.
YCbCr RgbToYCbCr(const Rgb& rgb);
Rgb YCbCrToRgb(const YCbCr& ycc);

std::uint32_t PackRefColor(const YCbCr& ycc);
YCbCr UnpackRefColor(std::uint32_t refColor);

}  // namespace velmar
