// The EEPROM image file: 32,768 bytes as hexadecimal digits, page after page (64 bytes, 128
// digits each). Two layouts are read: one digit stream with nothing else, or 512 lines of 128
// digits. White space after the image is allowed; anything else is refused before the board is
// touched, since a stray character would shift every later page.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace eeprom {

inline constexpr int kPageBytes = 64;
inline constexpr int kPages = 512;
inline constexpr int kEepromBytes = kPageBytes * kPages;

using EepromImage = std::array<std::uint8_t, kEepromBytes>;

std::optional<EepromImage> ParseEepromImage(const std::string& text);
// The image as 512 lines of 128 upper-case digits.
std::string FormatEepromImage(const EepromImage& image);

// Bit 0 becomes bit 7, bit 1 bit 6, and so on: the EEPROM takes its bytes in that order.
inline std::uint8_t ReverseBits(std::uint8_t b) {
    b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace eeprom
