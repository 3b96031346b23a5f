#include <gtest/gtest.h>

#include <vector>

#include "ps_mux/mux.h"
#include "ps_mux/pack_writer.h"

using namespace ps_mux;

namespace {
std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> v;
    for (int b : list) v.push_back(std::uint8_t(b));
    return v;
}
}  // namespace

TEST(PackWriter, ClockOfTheWorkedExample) {
    const MuxClock clock = ClockFor(4000000, 192000);
    EXPECT_EQ(clock.muxRate, 10807u);
    EXPECT_EQ(clock.scrStep, 341u);
    EXPECT_EQ(ClockFor(0, 0).scrStep, 0u);
}

TEST(PackWriter, Mpeg1PackZeroWithSystemHeader) {
    std::uint8_t b[64] = {};
    std::size_t n = WritePackHeader(b, PsVersion::Mpeg1, 1, 10807, true);
    ASSERT_EQ(n, 12u);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 12),
              Bytes({0, 0, 1, 0xBA, 0x21, 0, 1, 0, 3, 0x80, 0x54, 0x6F}));
    n = WriteSystemHeader(b, 10807);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + n),
              Bytes({0, 0, 1, 0xBB, 0, 12, 0x80, 0x54, 0x6F, 0x07, 0xA1, 0xFF, 0xE0, 0xE0, 0, 0xC0, 0xC0, 0}));
}

TEST(PackWriter, Mpeg2PackHeadersAndStuffing) {
    std::uint8_t b[32] = {};
    ASSERT_EQ(WritePackHeader(b, PsVersion::Mpeg2, 1, 10807, true), 14u);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 14),
              Bytes({0, 0, 1, 0xBA, 0x44, 0, 4, 0, 0x0C, 0x01, 0x00, 0xA8, 0xDF, 0xF8}));
    ASSERT_EQ(WritePackHeader(b, PsVersion::Mpeg2, 342, 10807, false), 16u);
    EXPECT_EQ(b[13], 0xFA);
    EXPECT_EQ(b[14], 0xFF);
    EXPECT_EQ(b[15], 0xFF);
    // SCR 342 = 0x156: bits 14..0 split 10 + 5 around the marker.
    EXPECT_EQ(b[7], 342 >> 5);
    EXPECT_EQ(b[8], ((342 & 0x1F) << 3) | 0x04);
}

TEST(PackWriter, PaddingAndPesHeaderForms) {
    std::uint8_t b[2048] = {};
    EXPECT_EQ(WritePaddingPacket(b, 2030), 2036u);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 9), Bytes({0, 0, 1, 0xBE, 0x07, 0xEE, 0xFF, 0x0F, 0xFF}));
    EXPECT_EQ(b[2035], 0xFF);

    struct Case {
        PsVersion version;
        std::uint8_t id;
        TimeStamps stamps;
        std::vector<std::uint8_t> expect;
    };
    const std::uint64_t pts = 39009, dts = 30000;
    const Case cases[] = {
        {PsVersion::Mpeg1, 0xC0, TimeStamps::Pts,
         Bytes({0, 0, 1, 0xC0, 0x07, 0xEE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x21, 0x00, 0x03,
                0x30, 0xC3})},
        {PsVersion::Mpeg1, 0xE0, TimeStamps::PtsDts,
         Bytes({0, 0, 1, 0xE0, 0x07, 0xEE, 0xFF, 0xFF, 0xFF, 0xFF, 0x31, 0x00, 0x03, 0x30, 0xC3, 0x11, 0x00, 0x01,
                0xEA, 0x61})},
        {PsVersion::Mpeg1, 0xE0, TimeStamps::None,
         Bytes({0, 0, 1, 0xE0, 0x07, 0xEE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0xFF, 0x0F})},
        {PsVersion::Mpeg2, 0xE0, TimeStamps::PtsDts,
         Bytes({0, 0, 1, 0xE0, 0x07, 0xEA, 0x80, 0xC1, 23, 0x31, 0x00, 0x03, 0x30, 0xC3, 0x11, 0x00, 0x01, 0xEA,
                0x61, 0x1E, 0x60, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {PsVersion::Mpeg2, 0xC0, TimeStamps::Pts,
         Bytes({0, 0, 1, 0xC0, 0x07, 0xEA, 0x80, 0x81, 23, 0x21, 0x00, 0x03, 0x30, 0xC3, 0x1E, 0x40, 0x00, 0xFF,
                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {PsVersion::Mpeg2, 0xE0, TimeStamps::None,
         Bytes({0, 0, 1, 0xE0, 0x07, 0xEA, 0x80, 0x01, 23, 0x1E, 0x60, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
    };
    for (const auto& c : cases) {
        const std::size_t payload = LayoutOf(c.version).payload;
        const std::size_t n = WritePesHeader(b, c.version, c.id, payload, c.stamps, pts, dts);
        EXPECT_EQ(n, LayoutOf(c.version).pesHeader);
        EXPECT_EQ(std::vector<std::uint8_t>(b, b + n), c.expect) << int(c.version) << " " << int(c.stamps);
        EXPECT_EQ(LayoutOf(c.version).packHeader + n + payload, kPackBytes);
    }
}
