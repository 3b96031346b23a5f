#include <gtest/gtest.h>

#include "timecode/timecode.h"

namespace velmar {
namespace {

constexpr auto kPal = TvStandard::Pal;
constexpr auto kNtsc = TvStandard::Ntsc;

TEST(Timecode, PalValues) {
    EXPECT_EQ(FramesToTimecode(0, kPal), 0x00000000u);
    EXPECT_EQ(FramesToTimecode(90000, kPal), 0x01000000u);
    EXPECT_EQ(FramesToTimecode(1499, kPal), 0x00005924u);
    EXPECT_EQ(TimecodeToFrames(0x00005924, kPal), 1499);
    EXPECT_EQ(FramesToTimecode(24 * 90000 - 1, kPal), 0x23595924u);
}

TEST(Timecode, NtscDropFrameValues) {
    EXPECT_EQ(FramesToTimecode(1800, kNtsc), 0x00010002u);
    EXPECT_EQ(FramesToTimecode(1799, kNtsc), 0x00005929u);
    EXPECT_EQ(FramesToTimecode(17982, kNtsc), 0x00100000u);
    EXPECT_EQ(FramesToTimecode(107892, kNtsc), 0x01000000u);
    EXPECT_EQ(TimecodeToFrames(0x00010002, kNtsc), 1800);
}

TEST(Timecode, EveryFrameRoundTrips) {
    for (int n = 0; n < 3 * 107892; n += 7) {
        EXPECT_EQ(TimecodeToFrames(FramesToTimecode(n, kNtsc), kNtsc), n) << n;
        EXPECT_EQ(TimecodeToFrames(FramesToTimecode(n, kPal), kPal), n) << n;
    }
    // A valid code is left as it is.
    for (int n = 0; n < 107892; n += 13) {
        EXPECT_EQ(IsValidTimecode(FramesToTimecode(n, kNtsc), kNtsc), FramesToTimecode(n, kNtsc));
        EXPECT_EQ(IsValidTimecode(FramesToTimecode(n, kPal), kPal), FramesToTimecode(n, kPal));
    }
}

TEST(Timecode, ClampingDigits) {
    EXPECT_EQ(IsValidTimecode(0x29999999, kPal), 0x23595924u);
    EXPECT_EQ(IsValidTimecode(0x29999999, kNtsc), 0x23595929u);
    EXPECT_EQ(IsValidTimecode(0x00000009, kPal), 0x00000009u);
    EXPECT_EQ(IsValidTimecode(0x00010000, kNtsc), 0x00010002u);
    EXPECT_EQ(IsValidTimecode(0x00010100, kNtsc), 0x00010100u);
    EXPECT_EQ(IsValidTimecode(0xFFFFFFFF, kPal), 0x23595924u);
}

TEST(Timecode, CountsOutsideTheDisplayAreClamped) {
    // The DV record display converts -16 - counter: before the first field that is negative.
    EXPECT_EQ(FramesToTimecode(-16, kPal), 0u);
    EXPECT_EQ(FramesToTimecode(-1000000, kNtsc), 0u);
    EXPECT_EQ(FramesToTimecode(1LL << 40, kPal), 0x99595924u);
    EXPECT_EQ(FormatTimecode(0x01020304), "01:02:03:04");
}

}  // namespace
}  // namespace velmar
