#include <gtest/gtest.h>

#include <string>

#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/console.h"

namespace mpa {
namespace {

AudioFrameHeader Layer2Header(int version, int rate_index, int bitrate_kbps, int mode) {
    AudioFrameHeader h;
    h.version = version;
    h.layer = 2;
    h.sampling_frequency = rate_index;
    h.bitrate_index = BitrateIndex(2, bitrate_kbps, version);
    h.mode = mode;
    return h;
}

TEST(AllocTableChoice, PicksTheStandardTableForRateAndChannelBitrate) {
    struct Case {
        int rate_index, kbps, mode, table, sblimit;
    } cases[] = {
        {1, 112, kStereo, 0, 27},         // 48 kHz, 56 per channel
        {1, 96, kStereo, 2, 8},           // 48 kHz, 48 per channel
        {0, 192, kStereo, 1, 30},         // 44.1 kHz, 96 per channel
        {2, 64, kStereo, 3, 12},          // 32 kHz, 32 per channel
        {0, 64, kStereo, 2, 8},           // 44.1 kHz, 32 per channel
        {0, 128, kSingleChannel, 1, 30},  // mono 128
        {0, 160, kJointStereo, 0, 27},    // 80 per channel
        {1, 384, kStereo, 0, 27},
    };
    for (const Case& c : cases) {
        AudioFrameParams params;
        params.header = Layer2Header(1, c.rate_index, c.kbps, c.mode);
        ASSERT_TRUE(HeaderToFrameParams(params));
        EXPECT_EQ(params.tab_num, c.table) << c.kbps << " kbit/s at index " << c.rate_index;
        EXPECT_EQ(params.sblimit, c.sblimit);
    }
}

TEST(AllocTableChoice, SameTableIsNotReloadedAndHalfRatesUseTheirOwnTable) {
    AudioFrameParams params;
    params.header = Layer2Header(1, 1, 112, kStereo);
    ASSERT_TRUE(HeaderToFrameParams(params));
    const AllocationTable* loaded = params.alloc.get();
    params.header.padding = 1;
    EXPECT_EQ(ChooseAllocTable(params), 27);
    EXPECT_EQ(params.alloc.get(), loaded);

    params.header = Layer2Header(0, 1, 64, kStereo);
    ASSERT_TRUE(HeaderToFrameParams(params));
    EXPECT_EQ(params.tab_num, kLsfAllocTable);
    EXPECT_EQ(params.sblimit, 30);
    EXPECT_EQ((*params.alloc)[0][0].bits, 4u);
    EXPECT_EQ((*params.alloc)[29][0].bits, 2u);
    EXPECT_EQ((*params.alloc)[29][3].steps, 9u);

    params.header.bitrate_index = -1;  // an illegal bitrate the caller did not check
    EXPECT_EQ(AllocTableNumber(params.header), 0);
}

TEST(AllocTables, RowCountsLimitsAndEntries) {
    const int rows[] = {288, 300, 80, 112};
    const int limits[] = {27, 30, 8, 12};
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(DescribeAllocTable(t).rows, static_cast<std::size_t>(rows[t]));
        EXPECT_EQ(DescribeAllocTable(t).sblimit, limits[t]);
    }
    AllocationTable table;
    ASSERT_EQ(LoadAllocTable(0, table), 27);
    EXPECT_EQ(table[0][0].bits, 4u);
    EXPECT_EQ(table[0][1].steps, 3u);  // grouped: 5-bit code for three samples
    EXPECT_EQ(table[0][1].bits, 5u);
    EXPECT_EQ(table[0][1].group, 1u);
    EXPECT_EQ(table[0][15].steps, 65535u);
    EXPECT_EQ(table[0][15].bits, 16u);
    EXPECT_EQ(table[0][15].group, 3u);
    EXPECT_EQ(table[3][2].steps, 5u);
    EXPECT_EQ(table[3][3].steps, 7u);
    EXPECT_EQ(table[3][4].steps, 9u);
    EXPECT_EQ(table[3][4].bits, 10u);
    EXPECT_EQ(table[26][3].steps, 65535u);
    EXPECT_EQ(table[27][0].bits, 0u);
    ASSERT_EQ(LoadAllocTable(2, table), 8);
    EXPECT_EQ(table[0][2].steps, 5u);
    EXPECT_EQ(table[0][3].steps, 9u);  // the low-rate tables skip 7 steps
    EXPECT_EQ(LoadAllocTable(9, table), 27);
}

TEST(Lookups, RatesBitratesAndBoundsReportErrorsWithoutEnding) {
    std::string messages;
    MessageSink previous = SetMessageSink([&](const std::string& text) { messages += text; });
    int version = -1;
    EXPECT_EQ(SmpFrqIndex(48000, &version), 1);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(SmpFrqIndex(22050, &version), 0);
    EXPECT_EQ(version, 0);
    EXPECT_EQ(SmpFrqIndex(11025, &version), -1);
    EXPECT_EQ(BitrateIndex(2, 192, 1), 10);
    EXPECT_EQ(BitrateIndex(3, 320, 1), 14);
    EXPECT_EQ(BitrateIndex(3, 8, 0), 1);
    EXPECT_EQ(BitrateIndex(2, 200, 1), -1);
    EXPECT_EQ(js_bound(3, 0), 0);
    EXPECT_EQ(js_bound(2, 3), 16);
    EXPECT_EQ(js_bound(4, 0), -1);
    SetMessageSink(previous);
    EXPECT_NE(messages.find("SmpFrqIndex: 11025 is not a legal sample rate\n"), std::string::npos);
    EXPECT_NE(messages.find("BitrateIndex: 200 (layer 2) is not a legal bitrate\n"), std::string::npos);
    EXPECT_NE(messages.find("js_bound bad layer/modext (4/0)\n"), std::string::npos);
}

TEST(HeaderBytes, ParseSizesAndRejectReservedValues) {
    const uint8_t layer2[] = {0xFF, 0xFD, 0x18, 0xC0};  // MPEG-1 Layer II, 32 kbit/s, 32 kHz, mono
    AudioFrameHeader h;
    ASSERT_TRUE(ParseHeaderBytes(layer2, h));
    EXPECT_EQ(h.version, 1);
    EXPECT_EQ(h.layer, 2);
    EXPECT_EQ(h.error_protection, 0);
    EXPECT_EQ(h.bitrate_index, 1);
    EXPECT_EQ(h.sampling_frequency, 2);
    EXPECT_EQ(h.mode, kSingleChannel);
    EXPECT_EQ(FrameLengthBytes(h), 144);  // 144 * 32000 / 32000

    const uint8_t layer3_padded[] = {0xFF, 0xFB, 0x92, 0x64};  // 128 kbit/s, 44.1 kHz, padded
    ASSERT_TRUE(ParseHeaderBytes(layer3_padded, h));
    EXPECT_EQ(FrameLengthBytes(h), 418);
    EXPECT_EQ(SamplesPerFrame(h), 1152);

    const uint8_t layer1[] = {0xFF, 0xFF, 0xE0, 0x00};  // Layer I, 448 kbit/s, 44.1 kHz
    ASSERT_TRUE(ParseHeaderBytes(layer1, h));
    EXPECT_EQ(h.error_protection, 0);
    EXPECT_EQ(FrameLengthBytes(h), 4 * (12 * 448000 / 44100));

    const uint8_t lsf_layer3[] = {0xFF, 0xF3, 0x84, 0xC0};  // 64 kbit/s, 24 kHz
    ASSERT_TRUE(ParseHeaderBytes(lsf_layer3, h));
    EXPECT_EQ(h.version, 0);
    EXPECT_EQ(FrameLengthBytes(h), 192);
    EXPECT_EQ(SamplesPerFrame(h), 576);

    const uint8_t bad_bitrate[] = {0xFF, 0xFB, 0xF0, 0x00};
    const uint8_t bad_rate[] = {0xFF, 0xFB, 0x9C, 0x00};
    const uint8_t bad_layer[] = {0xFF, 0xF9, 0x90, 0x00};
    const uint8_t no_sync[] = {0xFF, 0xEB, 0x90, 0x00};
    EXPECT_FALSE(ParseHeaderBytes(bad_bitrate, h));
    EXPECT_FALSE(ParseHeaderBytes(bad_rate, h));
    EXPECT_FALSE(ParseHeaderBytes(bad_layer, h));
    EXPECT_FALSE(ParseHeaderBytes(no_sync, h));
    AudioFrameParams params;
    params.header = h;
    params.header.sampling_frequency = 3;
    EXPECT_FALSE(HeaderToFrameParams(params));
}

}  // namespace
}  // namespace mpa
