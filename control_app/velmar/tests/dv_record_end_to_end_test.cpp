// DV record through the panel, the real command library and the software board: three seconds of
// DV25 in 525 lines and of DV50 in 625 lines with their audio. Other programs must take the files:
// ffprobe reads DV with the standard's size, chroma, rate and frame count, ffmpeg decodes it
// without an error, and sox accepts the WAVE file, whose header sizes match its data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "panel_on_board.h"
#include "platform/profile.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "wave_format/wave_header.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

struct DvCase {
    const char* name;
    bool pal, dv50;
    const char* probe;  // ffprobe's "key=value" lines of the video stream
};

class DvRecordEndToEnd : public ::testing::TestWithParam<DvCase> {};

TEST_P(DvRecordEndToEnd, ThreeSecondsThatOtherProgramsRead) {
    VELMAR_REQUIRE_TOOL("ffprobe");
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("sox");
    const DvCase& c = GetParam();
    const std::string dir = velmar_testing::TempDir() + "/" + c.name;
    std::filesystem::create_directories(dir);
    const std::string video = dir + "/take.dv", audio = dir + "/take.wav";
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHDVR", video);
    profile.WriteString("BOARD1", "PATHDVAR", audio);
    profile.WriteString("BOARD1", "LINKDVR", "1");
    profile.WriteString("BOARD1", "PALMODE", c.pal ? "1" : "0");
    profile.WriteString("BOARD1", "DV50", c.dv50 ? "1" : "0");

    const SoftBoardProgram board({}, dir + "/board.log");
    const InRunDirectory inRunDirectory;
    const int fps = c.pal ? 25 : 30;
    std::int64_t frames = 0;
    {
        PanelOnBoard on(profile);
        CVelmarView& panel = on.panel;
        RealTimeUi& ui = on.ui;
        InstallVideoChannels(panel);
        InstallDvRecord(panel);
        on.StartUp();
        ASSERT_FALSE(panel.DemoMode());
        ASSERT_EQ(panel.Dv50() != 0, c.dv50);

        const auto boxes = ui.Boxes().size();
        panel.Command(panel_ids::kRecordDv);
        ASSERT_TRUE(panel.Channels().dvRecord->Recording());
        // The board's record counter runs down from -16 as it records frames.
        const auto recorded = [&] { return -16 - std::int64_t(std::int32_t(panel.Window()->Read32(window::kRecordCounter))); };
        for (auto until = std::chrono::steady_clock::now() + 30s;
             recorded() < 3 * fps && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(20ms);
        panel.Command(panel_ids::kStopDv);
        EXPECT_EQ(ui.Boxes().size(), boxes) << (ui.Boxes().empty() ? "" : ui.Boxes().back().text);
        frames = recorded();
        panel.OnDestroy();
    }

    // Three seconds, and the few frames the board made before the stop word reached it.
    EXPECT_GE(frames, 3 * fps);
    EXPECT_LE(frames, 3 * fps + fps / 2);
    const std::uint64_t frameBytes = DvFrameBytes(c.pal, c.dv50);
    EXPECT_EQ(std::filesystem::file_size(video), std::uint64_t(frames) * frameBytes);

    std::string probe;
    velmar_testing::RunCommand("ffprobe -v fatal -count_frames -show_entries "
                               "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames:format=format_name,bit_rate "
                               "-of default=nw=1 '" + video + "'",
                               &probe);
    // The container's rate: 25 Mbit/s of DV25 video (50 of DV50) with its DIF headers and audio room.
    // (ffprobe derives it from size and duration, so its last digits wander with the frame count.)
    const double bitRate = double(frameBytes) * 8 * (c.pal ? 25.0 : 30000.0 / 1001.0);
    const std::size_t rateAt = probe.find("bit_rate=");
    ASSERT_NE(rateAt, std::string::npos) << probe;
    EXPECT_NEAR(std::stod(probe.substr(rateAt + 9)), bitRate, bitRate * 1e-6);
    EXPECT_EQ(probe.substr(0, rateAt),
              std::string(c.probe) + "nb_read_frames=" + std::to_string(frames) + "\nformat_name=dv\n");
    std::string errors;
    EXPECT_EQ(velmar_testing::RunCommand("ffmpeg -v fatal -xerror -i '" + video + "' -f null - 2>&1", &errors), 0)
        << errors;

    std::ifstream in(audio, std::ios::binary);
    const std::string wave{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(Le32(wave, 4), wave.size() - 8);
    EXPECT_EQ(Le32(wave, 40), wave.size() - 44);
    EXPECT_EQ(Le32(wave, 24), 48000u);
    for (const char* field : {"-r", "-c", "-b", "-s"}) {
        std::string value;
        ASSERT_EQ(velmar_testing::RunCommand(std::string("sox --i ") + field + " '" + audio + "' 2>&1", &value), 0) << value;
        const std::string expected = field == std::string("-r") ? "48000" : field == std::string("-c") ? "2"
                                     : field == std::string("-b") ? "16" : std::to_string((wave.size() - 44) / 4);
        EXPECT_EQ(value, expected + "\n") << field;
    }
    // The audio starts and stops with the video, in the same packets.
    const double videoSeconds = double(frames) / (c.pal ? 25.0 : 30000.0 / 1001.0);
    EXPECT_NEAR(double(wave.size() - 44) / 192000.0, videoSeconds, 0.1);
    // And it is the board's tone, not byte-swapped noise: a 1 kHz sine at 8192 peaks near 8192.
    std::string stat;
    velmar_testing::RunCommand("sox '" + audio + "' -n stat 2>&1", &stat);
    const std::size_t at = stat.find("Maximum amplitude:");
    ASSERT_NE(at, std::string::npos) << stat;
    EXPECT_NEAR(std::stod(stat.substr(at + 18)), 0.25, 0.01) << stat;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DvRecordEndToEnd,
    ::testing::Values(DvCase{"Dv25Ntsc", false, false,
                             "codec_name=dvvideo\nwidth=720\nheight=480\npix_fmt=yuv411p\nr_frame_rate=30000/1001\n"},
                      DvCase{"Dv50Pal", true, true,
                             "codec_name=dvvideo\nwidth=720\nheight=576\npix_fmt=yuv422p\nr_frame_rate=25/1\n"}),
    [](const ::testing::TestParamInfo<DvCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar
