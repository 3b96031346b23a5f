// The probes against ffprobe on clips made by ffmpeg.
#include <gtest/gtest.h>

#include "ps_testing/ps_test_support.h"
#include "stream_analysis/analysis.h"
#include "velmar_testing/test_support.h"

using namespace stream_analysis;
using velmar_testing::RunCommand;

namespace {
std::string Probe(const std::string& path, const std::string& entries) {
    std::string out;
    RunCommand("ffprobe -v error -select_streams 0 -show_entries " + entries +
                   " -of default=noprint_wrappers=1:nokey=1 " + path, &out);
    return out;
}
}  // namespace

TEST(AnalysisAgainstFfprobe, VideoClips) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const auto v2 = AnalyzeVideoFile(ps_testing::MakeMpeg2Video(dir));
    ASSERT_TRUE(v2.valid) << v2.error;
    EXPECT_EQ(Probe(ps_testing::MakeMpeg2Video(dir), "stream=width,height,profile,level"),
              "Main\n352\n288\n8\n");
    EXPECT_EQ(v2.frameSize, "352x288\n");
    EXPECT_EQ(v2.profile, "Main");
    EXPECT_EQ(v2.level, "Main");
    EXPECT_EQ(v2.bitrate, 2000000u);
    EXPECT_EQ(v2.framePeriod, 3600);

    const auto v1 = AnalyzeVideoFile(ps_testing::MakeMpeg1Video(dir));
    ASSERT_TRUE(v1.valid) << v1.error;
    EXPECT_EQ(v1.kind, VideoKind::Mpeg1);
    EXPECT_EQ(v1.frameSize, "352x240\n");
    EXPECT_EQ(v1.frameRate, "29.97 frames/s");

    const std::string dv = dir + "/clip.dv";
    ASSERT_TRUE(ps_testing::Ffmpeg("-f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -c:v dvvideo "
                                   "-pix_fmt yuv420p -f dv " + dv));
    const auto d = AnalyzeVideoFile(dv);
    ASSERT_TRUE(d.valid) << d.error;
    EXPECT_TRUE(d.dv625Lines);
    EXPECT_EQ(d.bitrateText, "25 Megabits/s");
    EXPECT_EQ(d.durationText, "0.20 seconds");

    // 525 lines, and 50 Mbit/s (4:2:2) with half the duration per byte.
    ASSERT_TRUE(ps_testing::Ffmpeg("-f lavfi -i testsrc=size=720x480:rate=30000/1001 -t 0.2 -c:v dvvideo "
                                   "-pix_fmt yuv411p -f dv " + dv));
    const auto d525 = AnalyzeVideoFile(dv);
    ASSERT_TRUE(d525.valid) << d525.error;
    EXPECT_FALSE(d525.dv625Lines);
    EXPECT_EQ(d525.frameRate, "29.97 frames/s");
    ASSERT_TRUE(ps_testing::Ffmpeg("-f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -c:v dvvideo "
                                   "-pix_fmt yuv422p -f dv " + dv));
    const auto d50 = AnalyzeVideoFile(dv);
    ASSERT_TRUE(d50.valid) << d50.error;
    EXPECT_TRUE(d50.dv50Mbit);
    EXPECT_EQ(d50.bitrateText, "50 Megabits/s");
    EXPECT_EQ(d50.durationText, "0.20 seconds");
}

TEST(AnalysisAgainstFfprobe, AudioClips) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    for (auto [codec, rate, kbps, layer] : {std::tuple{"mp2", 48000, 192, 2}, {"mp2", 44100, 128, 2},
                                            {"libmp3lame", 44100, 128, 3}, {"libmp3lame", 24000, 64, 3}}) {
        const std::string path = ps_testing::MakeMpegAudio(dir, codec, rate, kbps);
        const auto a = AnalyzeAudioFile(path);
        ASSERT_EQ(a.type, AudioType::Mpeg) << path << ": " << a.error;
        EXPECT_EQ(Probe(path, "stream=sample_rate,bit_rate"),
                  std::to_string(rate) + "\n" + std::to_string(kbps * 1000) + "\n");
        EXPECT_EQ(a.sampleRate, std::uint32_t(rate));
        EXPECT_EQ(a.bitrate, std::uint32_t(kbps * 1000));
        EXPECT_EQ(a.layer, layer);
    }
    // ffmpeg's default WAVE carries a LIST chunk before the samples.
    const std::string wav = dir + "/plain.wav";
    ASSERT_TRUE(ps_testing::Ffmpeg("-f lavfi -i sine=sample_rate=48000 -t 0.5 -ac 2 " + wav));
    const auto w = AnalyzeAudioFile(wav);
    ASSERT_EQ(w.type, AudioType::Wave) << w.error;
    EXPECT_EQ(w.dataBytes, 48000u * 2);
    EXPECT_GT(w.dataOffset, 44u);
}

TEST(AnalysisAgainstFfprobe, ProgramStreams) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = ps_testing::MakeMpeg2Video(dir);
    for (auto [format, kind] : {std::pair{"vob", "MPEG-2 Program stream"}, {"mpeg", "MPEG-1 Program stream"}}) {
        const std::string out = dir + "/ps." + format;
        ASSERT_TRUE(ps_testing::Ffmpeg("-i " + video + " -c copy -f " + std::string(format) + " " + out));
        const auto r = AnalyzeProgramStream(out);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.kind, kind);
        EXPECT_EQ(r.bitrateText.rfind("Bitrate = ", 0), 0u);
    }
    const std::string notPs = dir + "/x.bin";
    ps_testing::WriteFileBytes(notPs, {0, 0, 1, 0xB3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(AnalyzeProgramStream(notPs).error, "Not a program stream");
    // A zero mux rate is refused instead of dividing by it.
    ps_testing::WriteFileBytes(notPs, {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0, 0, 3, 0xF8});
    EXPECT_EQ(AnalyzeProgramStream(notPs).error, "Invalid Bitrate");
}
