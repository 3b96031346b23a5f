// The vectorised inner loops against their plain references, and the main data reader's wide reads
// against bit-by-bit reads.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "../src/decoder_state.h"
#include "../src/vector_kernels.h"

namespace mpa {
namespace {

std::vector<float> Noise(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& x : v) x = value(random);
    return v;
}

TEST(VectorKernels, AgreeWithTheirPlainLoops) {
    const auto window = Noise(512, 1), ring = Noise(1024, 2), table = Noise(18 * kImdctLanes, 3);
    float fast[32], plain[32];
    WindowedSums(window.data(), ring.data(), fast);
    WindowedSumsPlain(window.data(), ring.data(), plain);
    for (int j = 0; j < 32; ++j) EXPECT_FLOAT_EQ(fast[j], plain[j]) << j;

    const auto in = Noise(18, 4);
    float fastImdct[kImdctLanes], plainImdct[kImdctLanes];
    WindowedImdctSums(in.data(), table.data(), fastImdct);
    WindowedImdctSumsPlain(in.data(), table.data(), plainImdct);
    for (int c = 0; c < kImdctLanes; ++c) EXPECT_FLOAT_EQ(fastImdct[c], plainImdct[c]) << c;

    // Lanes run the same operations as the plain transform: equal to the last bit.
    const auto slots = Noise(4 * 32, 5);
    const float* lanes[4] = {&slots[0], &slots[32], &slots[64], &slots[96]};
    float fastX[4][32], plainX[4][32];
    CosineTransforms4(lanes, fastX);
    CosineTransforms4Plain(lanes, plainX);
    for (int n = 0; n < 4; ++n)
        for (int m = 0; m < 32; ++m) EXPECT_EQ(fastX[n][m], plainX[n][m]) << n << " " << m;

    // Rounding halves away from zero, both clamps and the clip count, with values around each edge.
    std::vector<float> sums = Noise(32, 6);
    const float edges[] = {0.5f, -0.5f, 1.5f, -1.5f, 32767.49f, 32767.5f, -32768.49f, -32768.5f, 40000.0f, -1e9f, 0.0f, -0.0f};
    for (std::size_t i = 0; i < std::size(edges); ++i) sums[i] = edges[i] / 32768.0f;
    int16_t fastPcm[32], plainPcm[32];
    EXPECT_EQ(PcmFromSums(sums.data(), fastPcm), PcmFromSumsPlain(sums.data(), plainPcm));
    EXPECT_EQ(PcmFromSumsPlain(sums.data(), plainPcm), 3);  // 32767.5, 40000 and -1e9; -32768.5 still rounds in range
    for (int j = 0; j < 32; ++j) EXPECT_EQ(fastPcm[j], plainPcm[j]) << j;
    EXPECT_EQ(std::vector<int16_t>(plainPcm, plainPcm + 12),
              (std::vector<int16_t>{1, -1, 2, -2, 32767, 32767, -32768, -32768, 32767, -32768, 0, 0}));
}

// Slots synthesised in one call (four transforms side by side, spare lanes in the last group) give
// what one call per slot gives.
TEST(Synthesis, ABatchOfSlotsGivesWhatSingleSlotsGive) {
    const auto noise = Noise(7 * 32, 7);
    float fractions[7][32];
    for (int n = 0; n < 7; ++n)
        for (int k = 0; k < 32; ++k) fractions[n][k] = noise[32 * n + k] * 0.1f;
    auto batched = std::make_unique<SynthesisState>(), single = std::make_unique<SynthesisState>();
    int16_t together[7][32], apart[7][32];
    const int clipped = SynthesizeSlots(*batched, fractions, 7, 1, together);
    int clippedApart = 0;
    for (int n = 0; n < 7; ++n) clippedApart += SynthesizeSlots(*single, fractions + n, 1, 1, apart + n);
    EXPECT_EQ(clipped, clippedApart);
    for (int n = 0; n < 7; ++n)
        for (int j = 0; j < 32; ++j) ASSERT_EQ(together[n][j], apart[n][j]) << n << " " << j;
}

TEST(MainDataReader, WideReadsAndSignsMatchBitByBitReadsAcrossTheWindowEnd) {
    MainDataReservoir wide, narrow;
    for (std::size_t i = 0; i < 24; ++i) wide.bytes.push_back(static_cast<uint8_t>(i * 151 + 7));
    narrow.bytes = wide.bytes;
    wide.endBit = narrow.endBit = 150;  // inside the bytes: later bits are not the frame's
    for (int n = 0; wide.position < 170; ++n) {
        const int count = 1 + (n * 5) % 19;
        uint32_t expected = 0;
        for (int b = 0; b < count; ++b) expected = expected << 1 | static_cast<uint32_t>(narrow.Get1Bit());
        ASSERT_EQ(wide.GetBits(count), expected) << n;
        int values[3] = {n % 3, 0, -(n % 2)}, reference[3] = {values[0], values[1], values[2]};
        int* const pointers[3] = {&values[0], &values[1], &values[2]};
        wide.ApplySigns(pointers, 3);
        for (int& v : reference)
            if (v && narrow.Get1Bit()) v = -v;
        ASSERT_EQ(std::vector<int>(values, values + 3), std::vector<int>(reference, reference + 3)) << n;
        ASSERT_EQ(wide.position, narrow.position);
        ASSERT_EQ(wide.overflow, narrow.overflow);
    }
    EXPECT_TRUE(wide.overflow);
}

}  // namespace
}  // namespace mpa
