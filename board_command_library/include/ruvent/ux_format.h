// The .ux microcode file: a 12-byte header ("C3UX", section count, unused) and sections back to
// back, each a 16-byte header and its payload. Header fields are little-endian; payload words
// are big-endian.
#pragma once

#include <cstdint>
#include <cstring>

namespace ux {

inline constexpr char kMagic[4] = {'C', '3', 'U', 'X'};
inline constexpr std::size_t kFileHeaderBytes = 12;
inline constexpr std::size_t kSectionHeaderBytes = 16;

// Section type: what the payload's units are. Other types are read and ignored.
inline constexpr std::uint8_t kByteData = 0;
inline constexpr std::uint8_t kWordData = 1;

// Section flags; both bits together mean a pause.
inline constexpr std::uint8_t kListFlag = 2;
inline constexpr std::uint8_t kReadBackFlag = 4;
inline constexpr std::uint8_t kKindMask = kListFlag | kReadBackFlag;

inline constexpr std::size_t kRegisterPairBytes = 8;  // big-endian address, value
inline constexpr std::size_t kByteRecordBytes = 5;    // big-endian address, one value byte

struct SectionHeader {
    std::uint8_t type = 0;
    std::uint8_t flags = 0;
    std::uint32_t length = 0;
    std::uint32_t address = 0;
};

inline std::uint32_t LoadLittle32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline std::uint32_t LoadBig32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

inline SectionHeader DecodeSectionHeader(const std::uint8_t* bytes) {
    SectionHeader header;
    header.type = bytes[0];
    header.flags = bytes[1];
    header.length = LoadLittle32(bytes + 4);
    header.address = LoadLittle32(bytes + 8);
    return header;
}

}  // namespace ux
