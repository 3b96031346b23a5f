// The argument parser the register and memory exports share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ruvent {

inline constexpr std::size_t kAccessNameMax = 79;

struct AccessArguments {
    std::uint32_t board = 0;  // 0 first, 1 second
    std::uint32_t address = 0;
    std::uint32_t value = 0;  // the word to write, or the fill value
    std::uint32_t end = 0;    // end address of a fill
    std::uint32_t base = 0;   // added to address and end
    std::string fileName;     // at most kAccessNameMax characters
    std::string outputName;
    bool fill = false;
    bool readBack = true;
};

// Reads a number the way the command language writes them: 0x prefix hexadecimal, leading 0
// octal, else decimal, with an optional sign; the result is taken modulo 2^32.
std::uint32_t ReadCommandNumber(const char* word);

// The help a command-line program prints for a bad line before it ends with code 1.
inline constexpr const char* kAccessHelp = "DLL help\n-b2 means target is the second QR board\n";

// Fills AccessArguments from a command line. A bad line gives nothing and is recorded as the
// call's refusal (ruvent_last_call), with the help as its console text.
std::optional<AccessArguments> ParseAccessArguments(int argc, char* argv[]);

}  // namespace ruvent
