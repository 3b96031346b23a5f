#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "mpeg_audio/bit_stream.h"
#include "mpeg_audio/crc.h"
#include "velmar_testing/test_support.h"

namespace mpa {
namespace {

TEST(Crc, MatchesTheCrc16CheckValueAndIgnoresEmptyUpdates) {
    uint32_t crc = kCrcStart;
    for (char c : std::string("123456789")) UpdateCrc(static_cast<uint8_t>(c), 8, &crc);
    EXPECT_EQ(crc, 0xAEE7u);
    crc = 0x1ABCD;
    UpdateCrc(0xFF, 0, &crc);
    EXPECT_EQ(crc, 0xABCDu);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The protected Layer I conformance stream carries the CRC word of each frame; ours must match it.
TEST(Crc, Layer1CrcEqualsTheWordOfAProtectedConformanceFrame) {
    const std::string path = velmar_testing::SharedDir() + "/data/mpeg-audio/conformance/l1-fl1.bit";
    VELMAR_REQUIRE_SHARED_FILE(path);
    std::vector<uint8_t> bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 200u);
    AudioFrameParams params;
    ASSERT_TRUE(ParseHeaderBytes(bytes.data(), params.header));
    ASSERT_EQ(params.header.error_protection, 1);
    ASSERT_TRUE(HeaderToFrameParams(params));
    BitStream stream;
    OpenBitReader(stream, bytes.data() + 4, bytes.size() - 4);
    uint32_t stored = GetBits(stream, 16);
    unsigned int allocation[2][32] = {};
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < (sb < params.jsbound ? params.stereo : 1); ++ch) allocation[ch][sb] = GetBits(stream, 4);
    }
    uint32_t crc = 0;
    ComputeLayer1Crc(params, allocation, &crc);
    EXPECT_EQ(crc, stored);
    allocation[0][3] ^= 1;
    ComputeLayer1Crc(params, allocation, &crc);
    EXPECT_NE(crc, stored);
}

}  // namespace
}  // namespace mpa
