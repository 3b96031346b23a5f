// Video A against the software board through the real command library: a clip played from a start
// time code reaches the board's input 0 from the start picture's group on, byte for byte, and
// STOP parks the channel on the black clip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "board_panel/testing/panel_test_support.h"
#include "index_formats/picture_index.h"
#include "panel_on_board.h"
#include "platform/profile.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_form.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "program_runner.h"
#include "velmar/board_bindings.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kGroupBytes = 32 * 1024;
constexpr int kGroups = 3, kPicturesPerGroup = 4;

// Groups of four pictures, each group opening with a sequence header; the bytes count up so a
// misplaced start shows.
std::string Clip() {
    std::string clip(kGroups * kGroupBytes, '\0');
    for (std::size_t i = 0; i < clip.size(); ++i) clip[i] = static_cast<char>(i * 7 + i / 251);
    for (int g = 0; g < kGroups; ++g) {
        const std::size_t at = g * kGroupBytes;
        clip.replace(at, 12, std::string("\0\0\1\xB3\x2D\x01\xE0\x24\xFF\xFF\xE0\x00", 12));
        for (int p = 0; p < kPicturesPerGroup; ++p) clip.replace(at + 256 + p * 4096, 4, std::string("\0\0\1\0", 4));
    }
    return clip;
}

std::string Index() {
    std::vector<index_formats::PictureIndexRecord> records;
    for (int g = 0; g < kGroups; ++g)
        for (int k = 0; k < kPicturesPerGroup; ++k)
            records.push_back({g * kGroupBytes / 4, static_cast<std::uint8_t>(k),
                               static_cast<std::uint8_t>(kPicturesPerGroup - k), g == kGroups - 1});
    const auto bytes = index_formats::EncodePictureIndex(records);
    return std::string(bytes.begin(), bytes.end());
}

TEST(VideoEndToEnd, ClipFromAStartTimeCodeArrivesFromItsGroupAndStopParksOnBlack) {
    const std::string dir = velmar_testing::TempDir();
    const std::string clipPath = dir + "/clip.mpg";
    const std::string clip = Clip();
    std::ofstream(clipPath, std::ios::binary) << clip;
    std::ofstream(dir + "/clip.mdb", std::ios::binary) << Index();
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHVA", clipPath);
    profile.WriteString("BOARD1", "LOGFILE", dir + "/video.log");

    const SoftBoardProgram board({"-f", "-c", dir}, dir + "/board.log");
    const InRunDirectory inRunDirectory;
    {
        PanelOnBoard on(profile);
        velmar_ui::testing::FakeFormView& view = on.view;
        RealTimeUi& ui = on.ui;
        CVelmarView& panel = on.panel;
        InstallVideoChannels(panel);
        panel.OnInitialUpdate();
        ui.Advance(kPanelTimerMs);  // the board's initialisation
        ASSERT_FALSE(panel.DemoMode()) << ReadBytes(dir + "/board.log");

        view.Click(panel_ids::kLoopA);  // play once
        view.Type(panel_ids::kStartA, "00000006");  // picture 6: the third of the second group
        panel.EditLostFocus(panel_ids::kStartA);
        const auto boxes = ui.Boxes().size();
        panel.Command(panel_ids::kPlayA);
        EXPECT_EQ(ui.Boxes().size(), boxes);
        EXPECT_EQ(panel.Channels().videoA->State(), VideoState::Playing);

        const std::string expected = clip.substr(kGroupBytes);
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (program_runner::SizeOf(dir + "/input0.bin") < expected.size() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(50ms);
        const std::string arrived = ReadBytes(dir + "/input0.bin");
        ASSERT_GE(arrived.size(), expected.size());
        EXPECT_TRUE(arrived.compare(0, expected.size(), expected) == 0) << "input 0 does not start at group 1";

        panel.Command(panel_ids::kStopA);
        EXPECT_EQ(panel.Channels().videoA->State(), VideoState::Stopped);
        const std::string black = ReadBytes("mpeg/black1.mpg");
        const auto parked = std::chrono::steady_clock::now() + 10s;
        while (program_runner::SizeOf(dir + "/input0.bin") < expected.size() + black.size() &&
               std::chrono::steady_clock::now() < parked)
            std::this_thread::sleep_for(50ms);
        EXPECT_EQ(ReadBytes(dir + "/input0.bin").compare(arrived.size(), black.size(), black), 0)
            << "STOP did not park input 0 on the black clip";
        panel.OnDestroy();
    }
}

// The board program ends mid-session: ticks, operator actions and register reads still come back
// within a few seconds each, and the panel shows its box and closes as when its service loop ends.
TEST(VideoEndToEnd, ABoardThatGoesAwayMidSessionEndsInTheVideoErrorBox) {
    const std::string dir = velmar_testing::TempDir();
    const std::string clipPath = dir + "/clip.mpg";
    std::ofstream(clipPath, std::ios::binary) << Clip();
    std::ofstream(dir + "/clip.mdb", std::ios::binary) << Index();
    platform::Profile profile(dir + "/GONE.INI");
    profile.WriteString("BOARD1", "PATHVA", clipPath);

    std::optional<SoftBoardProgram> board(std::in_place, std::vector<std::string>{"-f", "-c", dir},
                                          dir + "/board.log");
    const InRunDirectory inRunDirectory;
    PanelOnBoard on(profile);
    InstallVideoChannels(on.panel);
    on.StartUp();
    ASSERT_FALSE(on.panel.DemoMode()) << ReadBytes(dir + "/board.log");
    on.panel.Command(panel_ids::kPlayA);
    board.reset();

    using Clock = std::chrono::steady_clock;
    const auto gone = Clock::now();
    const std::function<void()> actions[] = {
        [&] { on.panel.Command(panel_ids::kStopA); },
        [&] { on.panel.SendCommand("mrd 0xfc0a00"); },
        [&] { on.panel.SendCommand("mwr 0xfc0a00 0x10"); },
        [&] { on.panel.SendCommand("mwrblk -fill 0x0 0x40000 0x4003f"); },
    };
    for (int tick = 0; tick < 200 && !on.host.destroyed; ++tick) {
        const auto start = Clock::now();
        if (tick < static_cast<int>(std::size(actions))) actions[tick]();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPanelTimerMs));
        on.ui.Advance(kPanelTimerMs);
        EXPECT_LT(Clock::now() - start, 10s) << "tick " << tick << " held the UI thread";
    }
    EXPECT_TRUE(on.host.destroyed) << "the panel did not close";
    ASSERT_FALSE(on.ui.Boxes().empty());
    EXPECT_EQ(on.ui.Boxes().back().text,
              "Video Error or No Video Source Detected. Program will Switch to Freerun and Close.");
    EXPECT_LT(Clock::now() - gone, 30s);
    on.panel.OnDestroy();
}

// Start codes moved onto 32-bit word boundaries with zero stuffing, as the board and the index
// builder see them.
std::string AlignStartCodes(const std::string& in) {
    std::string out;
    out.reserve(in.size() + in.size() / 64);
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (i + 3 < in.size() && in[i] == 0 && in[i + 1] == 0 && in[i + 2] == 1)
            while (out.size() % 4 != 0) out.push_back('\0');
        out.push_back(in[i]);
    }
    return out;
}

// Decode to file through the panel: 30 frames of a clip with "Frame" checked give a file of 30
// uncompressed frames followed by the trailer that says so; a second decode right after (17 fields,
// "Field") holds its 17 fields, though the board still held pairs of the first when the output
// was opened again.
TEST(VideoEndToEnd, DecodesToFileEndWithTheirTrailers) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string clipPath = dir + "/clip.m2v", out = dir + "/decoded.flm";
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001 "
                                         "-frames:v 45 -c:v mpeg2video -g 15 -bf 2 -q:v 2 -f mpeg2video " +
                                         dir + "/raw.m2v"),
              0);
    std::ofstream(clipPath, std::ios::binary) << AlignStartCodes(ReadBytes(dir + "/raw.m2v"));
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHVA", clipPath);
    profile.WriteString("BOARD1", "PATHDIO", out);

    const SoftBoardProgram board({"-f"}, dir + "/board.log");
    const InRunDirectory inRunDirectory;
    {
        PanelOnBoard on(profile);
        velmar_ui::testing::FakeFormView& view = on.view;
        RealTimeUi& ui = on.ui;
        CVelmarView& panel = on.panel;
        InstallVideoChannels(panel);
        panel.OnInitialUpdate();
        ui.Advance(kPanelTimerMs);
        ASSERT_FALSE(panel.DemoMode());

        view.Click(panel_ids::kLoopA);
        const struct {
            int fields;
            velmar_ui::ControlId mode;
            std::uint32_t pictures, lines;
        } decodes[] = {{60, panel_ids::kDecodeFrame, 30, 480}, {17, panel_ids::kDecodeField, 17, 240}};
        for (const auto& decode : decodes) {
            SCOPED_TRACE(decode.fields);
            view.Click(decode.mode);
            view.Type(panel_ids::kDecodeFields, std::to_string(decode.fields));
            const auto boxes = ui.Boxes().size();
            panel.Command(panel_ids::kPlayA);
            // Only the question whether to overwrite the first decode's file (answered yes).
            for (std::size_t b = boxes; b < ui.Boxes().size(); ++b)
                ASSERT_EQ(ui.Boxes()[b].text, "File Already Exists Do You Wish to Overwrite?");
            const auto until = std::chrono::steady_clock::now() + 30s;
            // The range has been decoded once channel A shows a field past it.
            while (panel.Window()->Read32(window::kChannelAStatus + window::kStatusFieldCounter) <
                       static_cast<std::uint32_t>(decode.fields + 1) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(50ms);
            // STOP drains output 5, ends it and appends the trailer.
            panel.Command(panel_ids::kStopA);
            const std::string file = ReadBytes(out);
            ASSERT_EQ(file.size(), decode.pictures * 1440 * decode.lines + 36);
            const std::string trailer = file.substr(file.size() - 36, 20);
            EXPECT_EQ(trailer.substr(0, 8), std::string("Rand\0\0\0", 7) + char(decode.pictures));
            EXPECT_EQ(trailer.substr(12, 4), std::string("\x02\xd0", 2) + char(decode.lines >> 8) + char(decode.lines & 0xFF));
            EXPECT_EQ(view.Text(panel_ids::kDecodeFields), "0");
        }
        panel.OnDestroy();
    }
}

}  // namespace
}  // namespace velmar
