#include <gtest/gtest.h>

#include <vector>

#include "mpeg_audio/bit_stream.h"

namespace mpa {
namespace {

TEST(BitWriter, FirstBitWrittenIsTheMostSignificantBitOfTheFirstByte) {
    BitStream stream;
    OpenBitWriter(stream);
    PutBits(stream, 0xFFF, 12);
    Put1Bit(stream, 1);
    PutBits(stream, 0, 3);
    PutBits(stream, 0xA5C3, 16);
    EXPECT_EQ(GetBitCount(stream), 32);
    std::vector<uint8_t> bytes = TakeWrittenBytes(stream);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xF8, 0xA5, 0xC3}));
}

TEST(BitWriter, WrapsThroughTheFlushAndKeepsStreamOrder) {
    BitStream stream;
    OpenBitWriter(stream, 16);
    std::vector<uint8_t> expected;
    for (int i = 0; i < 100; ++i) {
        PutBits(stream, static_cast<uint32_t>(i * 7 + 1), 8);
        expected.push_back(static_cast<uint8_t>(i * 7 + 1));
    }
    PutBits(stream, 0x5, 3);  // a partial byte stays behind
    EXPECT_EQ(TakeWrittenBytes(stream), expected);
    PutBits(stream, 0x1F, 5);
    EXPECT_EQ(TakeWrittenBytes(stream), (std::vector<uint8_t>{0xBF}));
}

TEST(BitReader, ReadsAcrossBytesAndStopsSafelyAtTheEnd) {
    const uint8_t bytes[] = {0xAB, 0xCD, 0xEF};
    BitStream stream;
    OpenBitReader(stream, bytes, sizeof bytes);
    EXPECT_EQ(GetBits(stream, 4), 0xAu);
    EXPECT_EQ(Get1Bit(stream), 1);
    EXPECT_EQ(GetBits(stream, 11), 0x3CDu);
    EXPECT_FALSE(EndOfStream(stream));
    EXPECT_EQ(BitsRemaining(stream), 8);
    EXPECT_EQ(GetBits(stream, 12), 0xEF0u);  // four bits past the end read as zeros
    EXPECT_TRUE(EndOfStream(stream));
    EXPECT_EQ(GetBits(stream, 32), 0u);
    EXPECT_EQ(BitsRemaining(stream), 0);

    OpenBitReader(stream, nullptr, 10);
    EXPECT_EQ(GetBits(stream, 8), 0u);
    EXPECT_TRUE(EndOfStream(stream));
}

TEST(BitReader, WideReadsMatchBitByBitReadsUpToAndPastTheEnd) {
    std::vector<uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 73 + 19);
    BitStream wide, narrow;
    OpenBitReader(wide, bytes.data(), bytes.size());
    OpenBitReader(narrow, bytes.data(), bytes.size());
    for (int n = 0; n < 40; ++n) {
        const int count = 1 + (n * 7) % 32;
        uint32_t expected = 0;
        for (int b = 0; b < count; ++b) expected = expected << 1 | static_cast<uint32_t>(Get1Bit(narrow));
        ASSERT_EQ(GetBits(wide, count), expected) << "read " << n << " of " << count << " bits";
        ASSERT_EQ(GetBitCount(wide), GetBitCount(narrow));
    }
    EXPECT_TRUE(EndOfStream(wide));
}

TEST(BitReader, SeekSyncSearchesWholeBytesOnly) {
    const uint8_t found[] = {0x12, 0x7F, 0xF0, 0xFF, 0xF3, 0x44};
    BitStream stream;
    OpenBitReader(stream, found, sizeof found);
    ASSERT_TRUE(SeekSync(stream, 0xFFF, 12));
    EXPECT_EQ(GetBitCount(stream), 36);  // the unaligned 0x7FF0 pattern is skipped
    EXPECT_EQ(GetBits(stream, 4), 3u);

    const uint8_t truncated[] = {0x00, 0xFF};
    OpenBitReader(stream, truncated, sizeof truncated);
    EXPECT_FALSE(SeekSync(stream, 0xFFF, 12));
    EXPECT_TRUE(EndOfStream(stream));
    OpenBitReader(stream, truncated, 1);
    EXPECT_FALSE(SeekSync(stream, 0xFFF, 12));
}

}  // namespace
}  // namespace mpa
