#include <gtest/gtest.h>

#include "ps_common/byte_io.h"
#include "stream_analysis/stream_rate.h"

using namespace stream_analysis;

TEST(CountPictures, FindsEveryPictureCodeWhereverItFalls) {
    // The counter reads 64 KiB at a time: codes across that boundary are the ones to get right.
    struct Case {
        std::vector<std::size_t> pictures;
        std::vector<std::size_t> others;  // sequence and group codes, not counted
    };
    const Case cases[] = {
        {{0, 10, 1001}, {500}},
        {{65533, 65534 + 10}, {}},
        {{65534, 65535 + 10}, {65535 + 100}},
        {{65535, 131069}, {65536 + 100}},
        {{65536, 131072 - 2}, {65532}},
        {{}, {65533, 131000}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes(200000, 0x55);
        auto put = [&](std::size_t at, std::uint8_t code) {
            const std::uint8_t start[] = {0, 0, 1, code};
            std::copy(std::begin(start), std::end(start), bytes.begin() + std::ptrdiff_t(at));
        };
        for (auto at : c.pictures) put(at, 0x00);
        for (auto at : c.others) put(at, 0xB8);
        ps::MemorySource source(bytes);
        const PictureCount count = CountPictures(source, bytes.size() + 1);
        EXPECT_EQ(count.pictures, c.pictures.size()) << (c.pictures.empty() ? 0 : c.pictures[0]);
        EXPECT_TRUE(count.wholeStream);
        if (!c.pictures.empty()) {
            EXPECT_EQ(count.lastPictureAt, c.pictures.back());
            // Read no further than asked: only the codes before the limit count.
            ps::MemorySource head(bytes);
            const PictureCount part = CountPictures(head, c.pictures.back() + 3);
            EXPECT_EQ(part.pictures, c.pictures.size() - 1);
            EXPECT_FALSE(part.wholeStream);
        }
    }
}

TEST(StreamRate, MeasuresAndJudgesTheHeader) {
    const StreamRate r = MeasureStreamRate(1192657, 125, 3600);
    EXPECT_EQ(r.bitrate, 1192657ull * 8 * 90000 / (125 * 3600));
    EXPECT_EQ(r.durationMs, 5000);
    EXPECT_EQ(MeasureStreamRate(1000, 0, 3600).bitrate, 0u);

    struct Case {
        std::uint64_t header, measured;
        bool fits;
    };
    const Case cases[] = {
        {2000000, 1908251, true},    // a constant rate clip just under its rate
        {2000000, 2200000, true},    // a tenth over: start-up of a short clip
        {2000000, 2200001, false},   // beyond: could never be delivered at the header's rate
        {2000000, 1000000, true},    // a variable stream at half its peak
        {2000000, 999999, false},    // mostly padding at the header's rate
        {104857200, 431811, false},  // the "variable" value taken as a rate
    };
    for (const auto& c : cases) EXPECT_EQ(HeaderRateFits(c.header, c.measured), c.fits) << c.header << " " << c.measured;
}
