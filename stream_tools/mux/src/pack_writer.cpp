#include "ps_mux/pack_writer.h"

#include <cstring>

#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"

namespace ps_mux {

const PackLayout& LayoutOf(PsVersion version) {
    static const PackLayout kMpeg1{12, 20, 2016, 2012, 2030};
    static const PackLayout kMpeg2{16, 32, 2000, 2010, 2026};
    return version == PsVersion::Mpeg1 ? kMpeg1 : kMpeg2;
}

namespace {

// marker, 22-bit rate, marker (MPEG-1 pack header and system header).
void PutMarkedRate(std::uint8_t* p, std::uint32_t rate) {
    const std::uint32_t v = 1u << 23 | (rate & 0x3FFFFF) << 1 | 1;
    p[0] = std::uint8_t(v >> 16);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v);
}

}  // namespace

std::size_t WritePackHeader(std::uint8_t* dst, PsVersion version, std::uint64_t scr, std::uint32_t muxRate,
                            bool first) {
    ps::PutBe32(dst, start_codes::BigEndianWord(start_codes::kPack));
    if (version == PsVersion::Mpeg1) {
        ps::PutTimeStamp(dst + 4, 0x2, scr);  // '0010' and the SCR in time-stamp layout
        PutMarkedRate(dst + 9, muxRate);
        return 12;
    }
    const std::uint32_t extension = 0;
    dst[4] = std::uint8_t(0x40 | ((scr >> 30) & 7) << 3 | 0x04 | ((scr >> 28) & 3));
    dst[5] = std::uint8_t(scr >> 20);
    dst[6] = std::uint8_t(((scr >> 15) & 0x1F) << 3 | 0x04 | ((scr >> 13) & 3));
    dst[7] = std::uint8_t(scr >> 5);
    dst[8] = std::uint8_t((scr & 0x1F) << 3 | 0x04 | ((extension >> 7) & 3));
    dst[9] = std::uint8_t((extension & 0x7F) << 1 | 1);
    const std::uint32_t rate = (muxRate & 0x3FFFFF) << 2 | 3;  // rate, two markers
    dst[10] = std::uint8_t(rate >> 16);
    dst[11] = std::uint8_t(rate >> 8);
    dst[12] = std::uint8_t(rate);
    const int stuffing = first ? 0 : 2;
    dst[13] = std::uint8_t(0xF8 | stuffing);  // reserved '11111', stuffing length
    std::memset(dst + 14, 0xFF, std::size_t(stuffing));
    return 14 + std::size_t(stuffing);
}

std::size_t WriteSystemHeader(std::uint8_t* dst, std::uint32_t muxRate) {
    ps::PutBe32(dst, start_codes::BigEndianWord(start_codes::kSystemHeader));
    ps::PutBe16(dst + 4, 12);
    PutMarkedRate(dst + 6, muxRate);  // rate_bound = mux_rate
    dst[9] = 0x07;    // audio_bound 1, fixed_flag, CSPS_flag
    dst[10] = 0xA1;   // system_audio_lock, marker, video_bound 1
    dst[11] = 0xFF;   // reserved (MPEG-2: packet_rate_restriction_flag and reserved bits)
    const std::uint8_t streams[6] = {0xE0, 0xE0, 0x00,   // video: scale 1, size bound 0
                                     0xC0, 0xC0, 0x00};  // audio: scale 0, size bound 0
    std::memcpy(dst + 12, streams, sizeof streams);
    return 18;
}

std::size_t WritePaddingPacket(std::uint8_t* dst, std::size_t length) {
    ps::PutBe32(dst, 0x100 | ps::kPaddingStream);
    ps::PutBe16(dst + 4, std::uint16_t(length));
    std::memset(dst + 6, 0xFF, length);
    if (length >= 2) dst[7] = 0x0F;
    return 6 + length;
}

std::size_t WritePesHeader(std::uint8_t* dst, PsVersion version, std::uint8_t streamId, std::size_t payload,
                           TimeStamps stamps, std::uint64_t pts, std::uint64_t dts) {
    ps::PutBe32(dst, 0x100u | streamId);
    std::uint8_t* p = dst + 6;
    if (version == PsVersion::Mpeg1) {
        ps::PutBe16(dst + 4, std::uint16_t(payload + 14));
        switch (stamps) {
            case TimeStamps::Pts:
                std::memset(p, 0xFF, 9);
                ps::PutTimeStamp(p + 9, ps::kPtsOnlyPrefix, pts);
                break;
            case TimeStamps::PtsDts:
                std::memset(p, 0xFF, 4);
                ps::PutTimeStamp(p + 4, ps::kPtsWithDtsPrefix, pts);
                ps::PutTimeStamp(p + 9, ps::kDtsPrefix, dts);
                break;
            case TimeStamps::None:
                std::memset(p, 0xFF, 13);
                p[13] = 0x0F;
                break;
        }
        return 20;
    }
    ps::PutBe16(dst + 4, std::uint16_t(payload + 26));
    p[0] = 0x80;
    p[1] = stamps == TimeStamps::Pts ? 0x81 : stamps == TimeStamps::PtsDts ? 0xC1 : 0x01;
    p[2] = 23;
    std::size_t at = 3;
    if (stamps == TimeStamps::Pts) {
        ps::PutTimeStamp(p + at, ps::kPtsOnlyPrefix, pts);
        at += 5;
    } else if (stamps == TimeStamps::PtsDts) {
        ps::PutTimeStamp(p + at, ps::kPtsWithDtsPrefix, pts);
        ps::PutTimeStamp(p + at + 5, ps::kDtsPrefix, dts);
        at += 10;
    }
    p[at++] = 0x1E;  // P-STD buffer flag and reserved bits, no other extension
    const bool audio = ps::IsAudioStream(streamId);
    p[at++] = audio ? 0x40 : 0x60;  // '01', buffer scale (1 for video), size 0
    p[at++] = 0x00;
    std::memset(p + at, 0xFF, 26 - at);
    return 32;
}

}  // namespace ps_mux
