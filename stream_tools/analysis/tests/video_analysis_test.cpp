#include <gtest/gtest.h>

#include "ps_testing/ps_test_support.h"
#include "stream_analysis/analysis.h"
#include "velmar_testing/test_support.h"

using namespace stream_analysis;
using ps_testing::BitWriter;

namespace {

struct SeqParams {
    int width = 720, height = 576, aspect = 2, rate = 3;
    std::uint32_t bitrateValue = 10000;  // x 400 = 4 Mbit/s
    int vbv = 112;
    bool intra = false, nonIntra = false;
    bool mpeg2 = true;
    int profileLevel = 0x48, chroma = 1, bitrateExt = 0, vbvExt = 0;
};

std::vector<std::uint8_t> SequenceHeader(const SeqParams& p) {
    BitWriter w;
    w.Put(0x1B3, 32);
    w.Put(p.width & 0xFFF, 12);
    w.Put(p.height & 0xFFF, 12);
    w.Put(p.aspect, 4);
    w.Put(p.rate, 4);
    w.Put(p.bitrateValue, 18);
    w.Put(1, 1);
    w.Put(p.vbv, 10);
    w.Put(0, 1);
    w.Put(p.intra, 1);
    for (int i = 0; p.intra && i < 64; ++i) w.Put(16, 8);
    w.Put(p.nonIntra, 1);
    for (int i = 0; p.nonIntra && i < 64; ++i) w.Put(16, 8);
    if (p.mpeg2) {
        w.Put(0x1B5, 32);
        w.Put(1, 4);
        w.Put(p.profileLevel, 8);
        w.Put(0, 1);
        w.Put(p.chroma, 2);
        w.Put(p.width >> 12, 2);
        w.Put(p.height >> 12, 2);
        w.Put(p.bitrateExt, 12);
        w.Put(1, 1);
        w.Put(p.vbvExt, 8);
        w.Put(0, 8);
    }
    w.Put(0x1B8, 32);
    auto bytes = w.Bytes();
    bytes.resize(600, 0);
    return bytes;
}

VideoAnalysis AnalyzeBytes(const std::vector<std::uint8_t>& bytes) {
    const std::string path = velmar_testing::TempDir() + "/probe.bin";
    ps_testing::WriteFileBytes(path, bytes);
    return AnalyzeVideoFile(path);
}

}  // namespace

TEST(AnalyzeVideoFile, Mpeg2MainProfileFields) {
    const auto r = AnalyzeBytes(SequenceHeader({}));
    EXPECT_TRUE(r.valid) << r.error;
    EXPECT_EQ(r.kind, VideoKind::Mpeg2);
    EXPECT_EQ(r.outputType, 2);
    EXPECT_EQ(r.type, "MPEG-2");
    EXPECT_EQ(r.aspect, "0.6735 (4:3)");
    EXPECT_EQ(r.profile, "Main");
    EXPECT_EQ(r.level, "Main");
    EXPECT_EQ(r.chroma, "4:2:0");
    EXPECT_EQ(r.frameSize, "720x576\n");
    EXPECT_EQ(r.bitrateText, "4000000 bits/s\n");
    EXPECT_EQ(r.vbv, std::to_string(112 * 2048) + " bytes\n");
    EXPECT_EQ(r.frameRate, "25 frames/s");
    EXPECT_EQ(r.framePeriod, 3600);
    EXPECT_EQ(r.duration, 600 * 8000 / 4000000);
    EXPECT_EQ(r.durationText, "0.001 seconds");
}

TEST(AnalyzeVideoFile, MatrixPositionsDecideTheVersion) {
    for (auto [intra, nonIntra] : {std::pair{true, true}, {true, false}, {false, true}}) {
        SeqParams p;
        p.intra = intra;
        p.nonIntra = nonIntra;
        EXPECT_EQ(AnalyzeBytes(SequenceHeader(p)).kind, VideoKind::Mpeg2) << intra << nonIntra;
        p.mpeg2 = false;
        const auto r = AnalyzeBytes(SequenceHeader(p));
        EXPECT_EQ(r.kind, VideoKind::Mpeg1);
        EXPECT_EQ(r.outputType, 1);
        EXPECT_EQ(r.profile, "NA");
        EXPECT_TRUE(r.valid);
    }
}

TEST(AnalyzeVideoFile, ExtensionsAnd422Profile) {
    SeqParams p;
    p.profileLevel = 0x85;
    p.chroma = 2;
    p.width = 0x1000 + 16;
    p.bitrateExt = 1;
    p.vbvExt = 1;
    const auto r = AnalyzeBytes(SequenceHeader(p));
    EXPECT_EQ(r.profile, "Main");
    EXPECT_EQ(r.level, "Main");
    EXPECT_EQ(r.chroma, "4:2:2");
    EXPECT_EQ(r.frameSize, "4112x576\n");
    EXPECT_EQ(r.bitrate, ((1u << 18) | 10000u) * 400u);
    EXPECT_EQ(r.vbv, std::to_string((1024 + 112) * 2048) + " bytes\n");
}

TEST(AnalyzeVideoFile, RefusalsLeaveNaBehind) {
    struct Case {
        void (*tweak)(SeqParams&);
        const char* error;
    };
    const Case cases[] = {
        {[](SeqParams& p) { p.aspect = 0; }, "Invalid Aspect Ratio"},
        {[](SeqParams& p) { p.aspect = 15; }, "Invalid Aspect Ratio"},
        {[](SeqParams& p) { p.profileLevel = 0x68; }, "Invalid Profile"},
        {[](SeqParams& p) { p.profileLevel = 0x47; }, "Invalid Level"},
        {[](SeqParams& p) { p.chroma = 0; }, "Invalid Chroma"},
        {[](SeqParams& p) { p.rate = 1; }, "Frame Rate not supported"},
        {[](SeqParams& p) { p.rate = 9; }, "Invalid Frame Rate"},
        {[](SeqParams& p) { p.rate = 0; }, "Invalid Frame Rate"},
        {[](SeqParams& p) { p.bitrateValue = 0; }, "Invalid Bitrate"},
    };
    for (const auto& c : cases) {
        SeqParams p;
        c.tweak(p);
        const auto r = AnalyzeBytes(SequenceHeader(p));
        EXPECT_EQ(r.error, c.error);
        EXPECT_FALSE(r.valid);
        EXPECT_EQ(r.durationText, "NA");
    }
    SeqParams p;
    p.rate = 1;
    EXPECT_EQ(AnalyzeBytes(SequenceHeader(p)).frameRate, "23.976 frames/s");  // shown, then refused
    p = {};
    p.profileLevel = 0x68;
    EXPECT_EQ(AnalyzeBytes(SequenceHeader(p)).aspect, "0.6735 (4:3)");
}

TEST(AnalyzeVideoFile, ShortAndForeignFiles) {
    auto header = SequenceHeader({});
    header.resize(20);  // cut inside the extension: zero-filled probe is refused, not misread
    EXPECT_EQ(AnalyzeBytes(header).error, "Video file is not a valid MPEG or DV video file");
    EXPECT_EQ(AnalyzeBytes({0x47, 0x40, 0, 0x10}).error, "Videos file is not a valid MPEG or DV video file");
    EXPECT_EQ(AnalyzeBytes({}).error, "Videos file is not a valid MPEG or DV video file");
    EXPECT_EQ(AnalyzeVideoFile("/nonexistent/x.m2v").error, "Can't open video file");
    const auto empty = AnalyzeVideoFile("");
    EXPECT_TRUE(empty.error.empty());
    EXPECT_EQ(empty.kind, VideoKind::Mpeg2);
}

TEST(AnalyzeVideoFile, DvFrames) {
    auto dv = [](bool lines625, bool fsc, std::size_t frames) {
        const std::size_t frameBytes = lines625 ? 144000 : 120000;
        std::vector<std::uint8_t> bytes(frameBytes * frames, 0);
        for (std::size_t f = 0; f < frames; ++f) {
            std::uint8_t* b = &bytes[f * frameBytes];
            b[0] = 0x1F;
            b[1] = std::uint8_t(0x07 | (fsc && f == 1 ? 0x08 : 0));
            b[3] = lines625 ? 0xBF : 0x3F;
        }
        return bytes;
    };
    auto r = AnalyzeBytes(dv(true, false, 3));
    EXPECT_TRUE(r.valid) << r.error;
    EXPECT_EQ(r.type, "DV");
    EXPECT_EQ(r.frameRate, "25 frames/s");
    EXPECT_EQ(r.bitrateText, "25 Megabits/s");
    EXPECT_EQ(r.duration, 12);
    EXPECT_EQ(r.durationText, "0.12 seconds");
    const auto r50 = AnalyzeBytes(dv(true, true, 3));
    EXPECT_EQ(r50.bitrateText, "50 Megabits/s");
    EXPECT_EQ(r50.duration, 6);
    EXPECT_TRUE(r50.dv50Mbit);
    r = AnalyzeBytes(dv(false, false, 2));
    EXPECT_EQ(r.frameRate, "29.97 frames/s");
    EXPECT_EQ(r.duration, 240000 / 12 / 2997);
    EXPECT_EQ(AnalyzeBytes(dv(false, false, 1)).error, "Video file is not a valid MPEG or DV video file");
}

TEST(DurationText, KeepsLeadingZerosOfTheFraction) {
    EXPECT_EQ(DurationText(12045, 1000), "12.045 seconds");
    EXPECT_EQ(DurationText(12345, 1000), "12.345 seconds");
    EXPECT_EQ(DurationText(307, 100), "3.07 seconds");
}

TEST(AnalyzeVideoFile, RateFromTheStreamWhenTheHeaderCannotGiveIt) {
    // 25 pictures at 25 frames/s in 50000 bytes: the stream runs at 400000 bit/s for one second.
    struct Case {
        const char* name;
        std::uint32_t bitrateValue;
        bool mpeg2;
        std::uint32_t bitrate;
        std::int64_t duration;
    };
    const Case cases[] = {
        {"variable, MPEG-2", 0x3FFFF, true, 400000, 1000},
        {"variable, MPEG-1", 0x3FFFF, false, 400000, 1000},
        {"header far above the stream", 10000, true, 400000, 1000},
        {"header below the stream", 250, true, 400000, 1000},
        {"header fits: kept", 1050, true, 420000, 50000 * 8000 / 420000},
    };
    for (const auto& c : cases) {
        SeqParams p;
        p.bitrateValue = c.bitrateValue;
        p.mpeg2 = c.mpeg2;
        auto bytes = SequenceHeader(p);
        bytes.resize(50000, 0x55);
        for (std::size_t i = 0; i < 25; ++i) {
            const std::uint8_t picture[] = {0, 0, 1, 0, 0, 0x08};
            std::copy(std::begin(picture), std::end(picture), bytes.begin() + 1000 + i * 1900);
        }
        const auto r = AnalyzeBytes(bytes);
        EXPECT_TRUE(r.valid) << c.name << ": " << r.error;
        EXPECT_EQ(r.bitrate, c.bitrate) << c.name;
        EXPECT_EQ(r.bitrateText, std::to_string(c.bitrate) + " bits/s\n") << c.name;
        EXPECT_EQ(r.duration, c.duration) << c.name;
    }
}

TEST(AnalyzeVideoFile, ALongStreamIsProbedByItsHeadAndMeasuredWholeForARun) {
    // 6 MiB of a variable rate stream: a picture every 2000 bytes for 5 MiB, then every 1000.
    constexpr std::size_t kSize = 6 << 20, kDenseFrom = 5 << 20;
    auto bytes = SequenceHeader({.bitrateValue = 0x3FFFF});
    bytes.resize(kSize, 0x55);
    std::vector<std::size_t> pictures;
    for (std::size_t at = 1000; at + 6 <= kSize; at += at < kDenseFrom ? 2000 : 1000) pictures.push_back(at);
    for (std::size_t at : pictures) {
        const std::uint8_t picture[] = {0, 0, 1, 0, 0, 0x08};
        std::copy(std::begin(picture), std::end(picture), bytes.begin() + std::ptrdiff_t(at));
    }
    const std::string path = velmar_testing::TempDir() + "/long.m2v";
    ps_testing::WriteFileBytes(path, bytes);

    // The probe reads the first 4 MiB: the pictures before the last one there.
    std::size_t inHead = 0;
    while (pictures[inHead] + 3 < (4u << 20)) ++inHead;
    const std::uint64_t headRate = pictures[inHead - 1] * 8ull * 90000 / ((inHead - 1) * 3600);
    VideoAnalysis r = AnalyzeVideoFile(path);
    ASSERT_TRUE(r.valid) << r.error;
    EXPECT_TRUE(r.rateFromHead);
    EXPECT_EQ(r.bitrate, headRate);
    EXPECT_EQ(r.duration, std::int64_t(kSize * 8000 / headRate));

    // A run measures the whole stream, as its clock needs the mean rate; a stop ends the count.
    VideoAnalysis stopped = r;
    EXPECT_FALSE(MeasureWholeStream(stopped, path, [] { return true; }));
    ASSERT_TRUE(MeasureWholeStream(r, path, [] { return false; }));
    EXPECT_FALSE(r.rateFromHead);
    EXPECT_EQ(r.bitrate, kSize * 8ull * 90000 / (pictures.size() * 3600));
    EXPECT_EQ(r.duration, std::int64_t(pictures.size() * 3600 / 90));
}
