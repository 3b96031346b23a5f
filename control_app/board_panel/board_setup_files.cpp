#include "board_setup_files.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/regular_file.h"
#include "ruvent/ux_format.h"

namespace velmar {

I2cTable ParseI2cTable(const std::vector<std::uint8_t>& bytes) {
    I2cTable table;
    const std::size_t size = std::min(bytes.size(), kI2cTableBytes);
    if (size < 4) return table;
    const int count = bytes[3];
    std::size_t at = 7;
    for (int record = 0; record < count; ++record) {
        // {address, unused, n, n data bytes, unused}: every byte of it must have been read.
        if (at + 3 > size || at + 3 + bytes[at + 2] + 1 > size) {
            table.truncated = true;
            break;
        }
        const std::size_t n = bytes[at + 2];
        std::vector<std::uint8_t> write;
        write.reserve(n + 1);
        write.push_back(bytes[at]);
        write.insert(write.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at + 3),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 3 + n));
        table.writes.push_back(std::move(write));
        at += n + 4;
    }
    return table;
}

DspCode ParseDspCode(const std::string& text) {
    DspCode code;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at >= text.size()) break;
        std::size_t end = at;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        if (code.bytes.size() == kDspCodeMaxNumbers || end - at > kDspNumberMaxChars) {
            code.truncated = true;
            break;
        }
        const std::string token = text.substr(at, end - at);
        const unsigned long value = std::strtoul(token.c_str(), nullptr, 16);
        code.bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        at = end;
    }
    // The first number only holds the place of the bus address.
    if (!code.bytes.empty()) code.bytes[0] = kDspBusAddress;
    return code;
}

std::optional<std::string> MicrocodeDamage(const std::string& path) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) return std::nullopt;
    std::uint64_t remaining = static_cast<std::uint64_t>(info.st_size);
    std::uint8_t header[ux::kFileHeaderBytes];
    if (remaining < sizeof header || std::fread(header, 1, sizeof header, file.get()) != sizeof header ||
        std::memcmp(header, ux::kMagic, sizeof ux::kMagic) != 0)
        return "it is no microcode file";
    remaining -= sizeof header;
    // Every section takes at least its header, so the walk ends with the file whatever the count.
    for (std::uint32_t left = ux::LoadLittle32(header + 4); left > 0; --left) {
        std::uint8_t bytes[ux::kSectionHeaderBytes];
        if (remaining < sizeof bytes || std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes)
            return "it ends before its last section";
        remaining -= sizeof bytes;
        const ux::SectionHeader section = ux::DecodeSectionHeader(bytes);
        if (section.length > remaining) return "a section runs past the end of the file";
        remaining -= section.length;
        if (::fseeko(file.get(), static_cast<off_t>(section.length), SEEK_CUR) != 0) return "it cannot be read";
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path, std::size_t limit) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes(limit);
    const std::size_t got = std::fread(bytes.data(), 1, limit, file.get());
    bytes.resize(got);
    return bytes;
}

}  // namespace velmar
