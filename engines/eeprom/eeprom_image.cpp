#include "eeprom_image.h"

#include <cctype>

namespace eeprom {
namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The digits of the text, or nothing when it holds anything but digits and (when `lines`) line
// ends that close lines of exactly 128 digits.
std::optional<std::string> Digits(const std::string& text, bool lines) {
    std::string digits;
    digits.reserve(kEepromBytes * 2);
    std::size_t lineDigits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (DigitValue(c) >= 0) {
            digits.push_back(c);
            ++lineDigits;
        } else if (lines && (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))) {
            if (c == '\r') ++i;
            if (lineDigits != kPageBytes * 2) return std::nullopt;
            lineDigits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (lines && lineDigits != 0 && lineDigits != kPageBytes * 2) return std::nullopt;
    return digits;
}

}  // namespace

std::optional<EepromImage> ParseEepromImage(const std::string& text) {
    // White space after the image (a final line end, blank lines) is never read as part of it.
    std::size_t end = text.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    const std::string image = text.substr(0, end);
    auto digits = Digits(image, false);
    if (!digits) digits = Digits(image, true);
    if (!digits || digits->size() != std::size_t(kEepromBytes) * 2) return std::nullopt;
    EepromImage bytes{};
    for (int i = 0; i < kEepromBytes; ++i)
        bytes[std::size_t(i)] = std::uint8_t(DigitValue((*digits)[2 * i]) << 4 | DigitValue((*digits)[2 * i + 1]));
    return bytes;
}

std::string FormatEepromImage(const EepromImage& image) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kPages * (kPageBytes * 2 + 1));
    for (int i = 0; i < kEepromBytes; ++i) {
        text.push_back(kHex[image[std::size_t(i)] >> 4]);
        text.push_back(kHex[image[std::size_t(i)] & 0xF]);
        if (i % kPageBytes == kPageBytes - 1) text.push_back('\n');
    }
    return text;
}

}  // namespace eeprom
