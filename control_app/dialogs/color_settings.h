// The colours the settings dialogs change and the playback panel's timer sends: the board's
// background colour and the analog input's picture controls, each with a flag saying the board
// has not been told yet.
#pragma once

#include <cstdint>

namespace velmar {

inline constexpr std::uint32_t kDefaultRefColor = 0x108080;       // (Y << 16) + (Cb << 8) + Cr: black
inline constexpr std::uint32_t kDefaultInputColor = 0x80474000;   // brightness, contrast, saturation, hue
inline constexpr std::uint32_t kVideoSettingsDefault = 0x79433f00; // the Default button's value

struct ColorSettings {
    std::uint32_t refColor = kDefaultRefColor;
    std::uint32_t inputColor = kDefaultInputColor;
    bool refColorDirty = false;
    bool inputColorDirty = false;
};

}  // namespace velmar
