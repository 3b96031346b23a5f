// The two library drivers as the registry loads them: names, formats, and streams that give out
// every frame by the end.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "codec_manager/codec_manager.h"
#include "library_driver.h"
#include "velmar_testing/test_support.h"

namespace {

// The drivers' libraries are Debian packages the build's bootstrap installs; outside CI a machine
// without them skips.
#define REQUIRE_DRIVERS(drivers)                                                             \
    do {                                                                                     \
        if ((drivers).size() < 2) {                                                          \
            if (velmar_testing::InCi()) FAIL() << "libtwolame0 and libmp3lame0 are required"; \
            GTEST_SKIP() << "libtwolame0 or libmp3lame0 not installed";                     \
        }                                                                                    \
    } while (0)

std::vector<int> Bitrates(acm::Driver& driver, std::uint16_t tag, std::uint32_t rate) {
    std::vector<int> kbps;
    driver.Open()->EnumFormats(tag, [&](const acm::WaveFormat& f) {
        EXPECT_EQ(f.channels, 2);
        if (f.rate == rate) kbps.push_back(int(f.byteRate / 125));
        return true;
    });
    return kbps;
}

TEST(CodecManager, InstalledDriversInOrderAndNarrowedByTheFilter) {
    const auto all = acm::InstalledDrivers("");
    REQUIRE_DRIVERS(all);
    EXPECT_EQ(all[0]->Details().shortName, "twolame");
    EXPECT_EQ(all[0]->Details().longName.rfind("MPEG Layer-2 Codec (libtwolame ", 0), 0u);
    EXPECT_EQ(all[1]->Details().shortName, "lame");
    EXPECT_EQ(all[1]->Details().longName.rfind("MPEG Layer-3 Codec (libmp3lame ", 0), 0u);

    EXPECT_TRUE(acm::InstalledDrivers("none").empty());
    const auto lame = acm::InstalledDrivers("lame");
    ASSERT_EQ(lame.size(), 1u);
    EXPECT_EQ(lame[0]->Details().shortName, "lame");
    // A library that is not installed gives no driver.
    EXPECT_EQ(acm::LoadTwolameDriver("libtwolame-not-installed.so.0"), nullptr);
    EXPECT_EQ(acm::LoadLameDriver("libmp3lame-not-installed.so.0"), nullptr);

    // Layer II refuses the stereo rates the standard does not allow; Layer III takes them all.
    EXPECT_EQ(Bitrates(*all[0], acm::kTagMpeg, 48000),
              (std::vector<int>{64, 96, 112, 128, 160, 192, 224, 256, 320, 384}));
    EXPECT_EQ(Bitrates(*all[1], acm::kTagMpegLayer3, 44100),
              (std::vector<int>{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}));
    EXPECT_TRUE(Bitrates(*all[0], acm::kTagMpegLayer3, 48000).empty());
    EXPECT_EQ(all[0]->Open()->MaxFormatSize(), 40u);
    EXPECT_EQ(all[1]->Open()->MaxFormatSize(), 30u);
}

TEST(CodecManager, StreamsGiveEveryFrameByTheEnd) {
    const auto all = acm::InstalledDrivers("");
    REQUIRE_DRIVERS(all);
    const acm::WaveFormat pcm{acm::kTagPcm, 2, 48000, 192000, 4, 16, {}};
    constexpr int kFrames = 10;
    std::vector<std::uint8_t> frame(4608);
    for (int layer : {2, 3}) {
        SCOPED_TRACE(layer);
        acm::WaveFormat mpeg{layer == 3 ? acm::kTagMpegLayer3 : acm::kTagMpeg, 2, 48000, 128 * 125, 1, 0, {}};
        auto session = all[layer - 2]->Open();
        auto stream = session->OpenStream(pcm, mpeg);
        ASSERT_TRUE(stream);
        std::vector<std::uint8_t> out;
        std::vector<std::uint8_t> dst(4608);
        for (int n = 0; n < kFrames; ++n) {
            for (int i = 0; i < 1152; ++i) {
                const auto v = std::int16_t(8000 * std::sin(0.05 * (n * 1152 + i)));
                for (int c = 0; c < 2; ++c) {
                    frame[4 * i + 2 * c] = std::uint8_t(v);
                    frame[4 * i + 2 * c + 1] = std::uint8_t(v >> 8);
                }
            }
            const auto r = stream->Convert(frame.data(), frame.size(), dst.data(), dst.size(), acm::kConvertBlockAlign);
            ASSERT_TRUE(r.ok);
            EXPECT_EQ(r.sourceUsed, frame.size());
            // Layer II gives one whole frame per frame of input; Layer III may hold some back.
            if (layer == 2) {
                EXPECT_EQ(r.destinationUsed, 384u);
            }
            out.insert(out.end(), dst.begin(), dst.begin() + std::ptrdiff_t(r.destinationUsed));
        }
        for (;;) {
            const auto r = stream->Convert(nullptr, 0, dst.data(), 100, acm::kConvertEnd);  // small pieces
            ASSERT_TRUE(r.ok);
            if (r.destinationUsed == 0) break;
            out.insert(out.end(), dst.begin(), dst.begin() + std::ptrdiff_t(r.destinationUsed));
        }
        // 128 kbit/s at 48 kHz: 384-byte frames, each starting with a header of the layer.
        ASSERT_GE(out.size(), std::size_t(kFrames) * 384);
        EXPECT_EQ(out.size() % 384, 0u);
        for (std::size_t at = 0; at < out.size(); at += 384) {
            EXPECT_EQ(out[at], 0xFF);
            EXPECT_EQ(out[at + 1] & 0xFE, layer == 2 ? 0xFC : 0xFA);
        }
        // A stream refuses source that is not whole stereo samples without the block-align flag.
        EXPECT_FALSE(stream->Convert(frame.data(), 3, dst.data(), dst.size(), 0).ok);
    }
}

TEST(CodecManager, ALibraryThatBreaksItsContractFailsTheStreamInsteadOfTheProcess) {
    // No version string: the name says "unknown". More bytes reported than there was room for:
    // the stream fails rather than read past its buffer.
    const acm::WaveFormat pcm{acm::kTagPcm, 2, 48000, 192000, 4, 16, {}};
    std::vector<std::uint8_t> frame(4608), dst(4608);
    const struct {
        std::shared_ptr<acm::LibraryDriver> driver;
        const char* name;
        std::uint16_t tag;
    } rows[] = {
        {acm::LoadTwolameDriver(UNTRUSTWORTHY_CODEC_LIBRARY), "MPEG Layer-2 Codec (libtwolame unknown)", acm::kTagMpeg},
        {acm::LoadLameDriver(UNTRUSTWORTHY_CODEC_LIBRARY), "MPEG Layer-3 Codec (libmp3lame unknown)",
         acm::kTagMpegLayer3},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(row.driver);
        EXPECT_EQ(row.driver->Details().longName, row.name);
        auto stream = row.driver->Open()->OpenStream(pcm, {row.tag, 2, 48000, 128 * 125, 1, 0, {}});
        ASSERT_TRUE(stream) << row.name;
        EXPECT_FALSE(stream->Convert(frame.data(), frame.size(), dst.data(), dst.size(), acm::kConvertBlockAlign).ok);
        EXPECT_FALSE(stream->Convert(nullptr, 0, dst.data(), dst.size(), acm::kConvertEnd).ok);
    }
}

}  // namespace
