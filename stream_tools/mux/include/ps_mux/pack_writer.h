// The fixed pack layout the multiplexer writes: every pack 2048 bytes (a stream's last packet may
// be shorter), one packet per pack.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ps_mux {

inline constexpr std::size_t kPackBytes = 2048;

enum class PsVersion { Mpeg1 = 1, Mpeg2 = 2 };

struct PackLayout {
    std::size_t packHeader;     // with stuffing, in packs after the first
    std::size_t pesHeader;      // start code to payload
    std::size_t payload;        // per full packet
    std::size_t firstPadding;   // padding packet length field in pack 0
    std::size_t laterPadding;   // padding packet length field in later packs
};
const PackLayout& LayoutOf(PsVersion version);

enum class TimeStamps { None, Pts, PtsDts };

// Each writer fills dst and returns the bytes written.
std::size_t WritePackHeader(std::uint8_t* dst, PsVersion version, std::uint64_t scr, std::uint32_t muxRate,
                            bool first);
std::size_t WriteSystemHeader(std::uint8_t* dst, std::uint32_t muxRate);
// A padding packet whose length field is `length`: data FF 0F, then 0xFF.
std::size_t WritePaddingPacket(std::uint8_t* dst, std::size_t length);
std::size_t WritePesHeader(std::uint8_t* dst, PsVersion version, std::uint8_t streamId, std::size_t payload,
                           TimeStamps stamps, std::uint64_t pts, std::uint64_t dts);

}  // namespace ps_mux
