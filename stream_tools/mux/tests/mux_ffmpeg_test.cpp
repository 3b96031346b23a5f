// Streams from ffmpeg's encoders, multiplexed and checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <sstream>

#include "mux_test_streams.h"
#include "stream_analysis/analysis.h"
#include "velmar_testing/test_support.h"

using namespace ps_mux;
using velmar_testing::RunCommand;

namespace {

struct Case {
    const char* name;
    bool mpeg1Video;
    const char* audioCodec;
    int rate, kbps;
    PsVersion version;
};

std::vector<std::int64_t> Column(const std::string& csv, int column) {
    std::vector<std::int64_t> out;
    std::istringstream lines(csv);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i <= column && std::getline(fields, field, ','); ++i) {
        }
        if (!field.empty() && field != "N/A") out.push_back(std::stoll(field));
    }
    return out;
}

}  // namespace

class MuxAgainstFfmpeg : public testing::TestWithParam<Case> {};

TEST_P(MuxAgainstFfmpeg, RoundTripsAndDecodes) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const Case c = GetParam();
    const std::string dir = velmar_testing::TempDir();
    const std::string rawVideo = c.mpeg1Video ? ps_testing::MakeMpeg1Video(dir) : ps_testing::MakeMpeg2Video(dir);
    const std::string audioPath = ps_testing::MakeMpegAudio(dir, c.audioCodec, c.rate, c.kbps);
    // ffmpeg does not put start codes on word boundaries; take the stream as it comes.
    const std::string videoPath = rawVideo;
    MuxInputs in;
    in.version = c.version;
    in.video = stream_analysis::AnalyzeVideoFile(videoPath);
    in.audio = stream_analysis::AnalyzeAudioFile(audioPath);
    ASSERT_TRUE(in.video.valid) << in.video.error;
    ASSERT_EQ(in.audio.type, stream_analysis::AudioType::Mpeg) << in.audio.error;
    const std::string out = dir + "/" + c.name + ".mpg";
    mux_testing::RecordingReport report;
    const MuxResult r = RunMuxFiles(in, videoPath, audioPath, out, report);
    ASSERT_EQ(r.status, platform::RunStatus::Done) << mux_testing::BoxOf(r);

    std::string probe;
    ASSERT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name:format=format_name -of csv=p=0 " + out,
                         &probe), 0);
    const std::string videoCodec = c.mpeg1Video ? "mpeg1video" : "mpeg2video";
    const std::string audioCodec = std::string(c.audioCodec) == "mp2" ? "mp2" : "mp3";
    EXPECT_NE(probe.find(videoCodec), std::string::npos) << probe;
    EXPECT_NE(probe.find(audioCodec), std::string::npos) << probe;

    // Stream copy gives back the inputs byte for byte.
    ASSERT_TRUE(ps_testing::Ffmpeg("-i " + out + " -map 0:v -c copy -f rawvideo " + dir + "/v.out"));
    ASSERT_TRUE(ps_testing::Ffmpeg("-i " + out + " -map 0:a -c copy -f data " + dir + "/a.out"));
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/v.out"), ps_testing::ReadFileBytes(videoPath));
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/a.out"), ps_testing::ReadFileBytes(audioPath));

    // Decodes without an error.
    EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -xerror -i " + out + " -f null - 2>&1"), 0);

    // Video decode stamps rise by one frame period; display stamps cover a regular grid.
    std::string csv;
    RunCommand("ffprobe -v error -select_streams v -show_entries packet=pts,dts -of csv=p=0 " + out, &csv);
    auto pts = Column(csv, 0), dts = Column(csv, 1);
    ASSERT_GT(dts.size(), 20u);
    const std::int64_t period = in.video.framePeriod;
    for (std::size_t i = 1; i < dts.size(); ++i) EXPECT_EQ(dts[i] - dts[i - 1], period) << i;
    std::sort(pts.begin(), pts.end());
    // ffprobe leaves a frame's PTS out where a packet carried none; those present sit on the grid.
    for (std::size_t i = 1; i < pts.size(); ++i) {
        EXPECT_GT(pts[i], pts[i - 1]) << i;
        EXPECT_EQ((pts[i] - pts[i - 1]) % period, 0) << i;
    }
    EXPECT_GE(pts.size() + 3, dts.size());
    EXPECT_EQ(pts.front(), 30000);

    // Audio stamps rise by one frame's duration (within ffprobe's rounding).
    csv.clear();
    RunCommand("ffprobe -v error -select_streams a -show_entries packet=pts -of csv=p=0 " + out, &csv);
    const auto audioPts = Column(csv, 0);
    ASSERT_GT(audioPts.size(), 10u);
    EXPECT_EQ(audioPts.front(), 30000);
    const double frame = double(in.audio.samplesPerFrame) * 90000 / in.audio.sampleRate;
    for (std::size_t i = 1; i < audioPts.size(); ++i) EXPECT_NEAR(double(audioPts[i] - audioPts[i - 1]), frame, 1.0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Clips, MuxAgainstFfmpeg,
    testing::Values(Case{"m2v_mp2_48k", false, "mp2", 48000, 192, PsVersion::Mpeg2},
                    Case{"m2v_mp2_44k", false, "mp2", 44100, 128, PsVersion::Mpeg2},
                    Case{"m2v_mp3_44k", false, "libmp3lame", 44100, 128, PsVersion::Mpeg2},
                    Case{"m1v_mp2_48k", true, "mp2", 48000, 192, PsVersion::Mpeg1},
                    Case{"m1v_mp3_48k", true, "libmp3lame", 48000, 160, PsVersion::Mpeg1},
                    Case{"m2v_mp3_24k", false, "libmp3lame", 24000, 64, PsVersion::Mpeg2}),
    [](const auto& info) { return std::string(info.param.name); });

// ffmpeg's default rate control writes "variable" where the rate goes; the multiplexer runs at the
// stream's own rate instead, so the program stream carries little padding and the right duration.
TEST(MuxAgainstFfmpeg, VariableRateVideoAtItsOwnRate) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string audioPath = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 128, 5);
    for (const bool mpeg2 : {false, true}) {
        SCOPED_TRACE(mpeg2 ? "MPEG-2" : "MPEG-1");
        const std::string videoPath = ps_testing::MakeVariableRateVideo(dir, mpeg2);
        MuxInputs in;
        in.version = mpeg2 ? PsVersion::Mpeg2 : PsVersion::Mpeg1;
        in.video = stream_analysis::AnalyzeVideoFile(videoPath);
        in.audio = stream_analysis::AnalyzeAudioFile(audioPath);
        ASSERT_TRUE(in.video.valid) << in.video.error;
        EXPECT_EQ(in.video.durationText, "5.000 seconds");
        const std::string out = dir + "/vbr.mpg";
        mux_testing::RecordingReport report;
        ASSERT_EQ(RunMuxFiles(in, videoPath, audioPath, out, report).status, platform::RunStatus::Done);

        const double inputs = double(in.video.fileSize + in.audio.fileSize);
        const double size = double(ps_testing::ReadFileBytes(out).size());
        EXPECT_LE(size, inputs * 1.10) << "inputs " << inputs;
        std::string duration;
        ASSERT_EQ(RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + out, &duration), 0);
        EXPECT_NEAR(std::stod(duration), 5.0, 0.2) << duration;
    }
}
