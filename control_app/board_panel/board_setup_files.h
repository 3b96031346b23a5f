// The two files start-up sends to the board's I2C devices: the register table (records of device
// address and data) and the DSP code (hexadecimal numbers, one byte each).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmar {

inline constexpr std::size_t kI2cTableBytes = 1024;
inline constexpr std::size_t kDspCodeMaxNumbers = 1024;
inline constexpr std::size_t kDspNumberMaxChars = 99;
inline constexpr std::uint8_t kDspBusAddress = 0x20;
// Room for the most numbers the code takes, at their longest, with generous blanks between them;
// a larger file is no DSP code and is not read.
inline constexpr std::size_t kDspCodeFileMaxBytes = 1 << 20;

struct I2cTable {
    // One bus write per record: the device address, then the record's data bytes.
    std::vector<std::vector<std::uint8_t>> writes;
    // A record ran past the bytes read; it and the records after it were not taken.
    bool truncated = false;
};

// Parses the first kI2cTableBytes of a table file.
I2cTable ParseI2cTable(const std::vector<std::uint8_t>& bytes);

struct DspCode {
    // The bytes of one bus write: the DSP's address in place of the first number, then the rest.
    std::vector<std::uint8_t> bytes;
    // More than kDspCodeMaxNumbers numbers, or a number longer than kDspNumberMaxChars: the code
    // was cut at that point.
    bool truncated = false;
};

DspCode ParseDspCode(const std::string& text);

// What is wrong with the layout of a microcode (.ux) file, or nothing when its sections fit it. A
// file that cannot be opened has nothing to say here: the loader refuses it.
std::optional<std::string> MicrocodeDamage(const std::string& path);

// The first `limit` bytes of a regular file, or nothing when it cannot be opened or is none.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path, std::size_t limit);

}  // namespace velmar
