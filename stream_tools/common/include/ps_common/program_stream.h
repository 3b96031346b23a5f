// Constants of MPEG-1/MPEG-2 program streams and video elementary streams, and the 33-bit time
// stamp packing both the multiplexer and the demultiplexer use. The start codes themselves are
// in start_codes/start_codes.h.
#pragma once

#include <cstdint>

namespace ps {

// Stream ids (the byte after 00 00 01 in a packet start code).
inline constexpr std::uint8_t kProgramStreamMap = 0xBC;
inline constexpr std::uint8_t kPrivateStream1 = 0xBD;
inline constexpr std::uint8_t kPaddingStream = 0xBE;
inline constexpr std::uint8_t kPrivateStream2 = 0xBF;
inline constexpr std::uint8_t kAudioStream0 = 0xC0;
inline constexpr std::uint8_t kVideoStream0 = 0xE0;

inline bool IsAudioStream(std::uint8_t id) { return (id & 0xF0) == 0xC0 || (id & 0xF0) == 0xD0; }
inline bool IsMpegAudioDecodable(std::uint8_t id) { return (id & 0xF0) == 0xC0; }
inline bool IsVideoStream(std::uint8_t id) { return (id & 0xF0) == 0xE0; }

// Streams whose packets carry no PES header extension after the length field.
inline bool HasNoPesHeader(std::uint8_t id) {
    return id == kProgramStreamMap || id == kPaddingStream || id == kPrivateStream2 || id == 0xF0 ||
           id == 0xF1 || id == 0xF2 || id == 0xF8 || id == 0xFF;
}

// Picture coding types.
inline constexpr int kPictureI = 1;
inline constexpr int kPictureP = 2;
inline constexpr int kPictureB = 3;

// PTS/DTS prefixes of the 5-byte time stamp field.
inline constexpr std::uint8_t kPtsOnlyPrefix = 0x2;
inline constexpr std::uint8_t kPtsWithDtsPrefix = 0x3;
inline constexpr std::uint8_t kDtsPrefix = 0x1;

// 5 bytes: prefix (4 bits), ts[32..30], marker, ts[29..15], marker, ts[14..0], marker.
inline void PutTimeStamp(std::uint8_t* p, std::uint8_t prefix, std::uint64_t ts) {
    p[0] = std::uint8_t(prefix << 4 | ((ts >> 30) & 0x7) << 1 | 1);
    p[1] = std::uint8_t(ts >> 22);
    p[2] = std::uint8_t(((ts >> 15) & 0x7F) << 1 | 1);
    p[3] = std::uint8_t(ts >> 7);
    p[4] = std::uint8_t((ts & 0x7F) << 1 | 1);
}

inline std::uint64_t ReadTimeStamp(const std::uint8_t* p) {
    return std::uint64_t((p[0] >> 1) & 0x7) << 30 | std::uint64_t(p[1]) << 22 |
           std::uint64_t(p[2] >> 1) << 15 | std::uint64_t(p[3]) << 7 | std::uint64_t(p[4] >> 1);
}

inline std::uint32_t ReadBe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
inline std::uint16_t ReadBe16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
inline void PutBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

}  // namespace ps
