// The audio channel against the software board through the real command library: what input 3
// takes is the file's samples one to one at normal speed, each twice at half speed and every
// other one at double speed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "board_panel/testing/panel_test_support.h"
#include "panel_on_board.h"
#include "platform/profile.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_form.h"
#include "playback_panel/velmar_view_ids.h"
#include "program_runner.h"
#include "velmar/board_bindings.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

// What the board should take of `file` at `step`: the WAVE header's bytes read as silence, each
// 4-byte frame in the 2000-type board's word order (the line carries -R), then each frame twice
// (512) or every other frame (128).
std::string Expected(std::string file, int step) {
    std::fill_n(file.begin(), 44, '\0');
    for (std::size_t i = 0; i + 4 <= file.size(); i += 4) {
        std::swap(file[i], file[i + 3]);
        std::swap(file[i + 1], file[i + 2]);
    }
    std::string out;
    for (std::size_t frame = 0; frame * 4 < file.size(); ++frame) {
        if (step == 128 && frame % 2 == 1) continue;
        for (int copy = 0; copy < (step == 512 ? 2 : 1); ++copy) out += file.substr(frame * 4, 4);
    }
    return out;
}

TEST(AudioEndToEnd, InputThreeTakesTheFileAtTheStepItIsGiven) {
    const std::string dir = velmar_testing::TempDir();
    const std::string path = dir + "/tone.wav";
    std::string file(96000, '\0');  // half a second at 48 kHz; every byte differs from its frame's neighbours'
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 13 + i / 4 * 7 + i / 1021);
    std::ofstream(path, std::ios::binary) << file;
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHAUD", path);
    profile.WriteString("BOARD1", "LOGFILE", dir + "/audio.log");

    const SoftBoardProgram board({"-f", "-c", dir}, dir + "/board.log");
    const InRunDirectory inRunDirectory;
    {
        PanelOnBoard on(profile);
        velmar_ui::testing::FakeFormView& view = on.view;
        RealTimeUi& ui = on.ui;
        CVelmarView& panel = on.panel;
        InstallAudioChannel(panel);
        panel.OnInitialUpdate();
        ui.Advance(kPanelTimerMs);
        ASSERT_FALSE(panel.DemoMode()) << ReadBytes(dir + "/board.log");
        ASSERT_TRUE(panel.Is2000Board());
        view.Click(panel_ids::kLoopAudio);  // play once

        std::size_t taken = 0;
        const struct {
            int step;
            const char* speed;
            velmar_ui::ControlId button;
        } runs[] = {{256, "100", panel_ids::kPlayAudio}, {512, "50", panel_ids::kVarPlayAudio},
                    {128, "200", panel_ids::kVarPlayAudio}};
        for (const auto& run : runs) {
            SCOPED_TRACE(run.step);
            view.Type(panel_ids::kSpeedAudio, run.speed);
            panel.EditLostFocus(panel_ids::kSpeedAudio);
            const auto boxes = ui.Boxes().size();
            panel.Command(run.button);
            EXPECT_EQ(ui.Boxes().size(), boxes);
            EXPECT_EQ(panel.Window()->Read32(window::kAudioRateStep), static_cast<std::uint32_t>(run.step));
            const std::string expected = Expected(file, run.step);
            const auto end = std::chrono::steady_clock::now() + 10s;
            while (program_runner::SizeOf(dir + "/input3.bin") < taken + expected.size() &&
                   std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(50ms);
            std::this_thread::sleep_for(200ms);  // nothing more arrives than the file
            const std::string arrived = ReadBytes(dir + "/input3.bin");
            // Failures are reported, not returned from: the panel must still end the service loop.
            EXPECT_EQ(arrived.size(), taken + expected.size());
            EXPECT_TRUE(arrived.compare(taken, expected.size(), expected) == 0);
            taken = arrived.size();
            panel.Command(panel_ids::kStopAudio);
        }
        panel.OnDestroy();
    }
}

}  // namespace
}  // namespace velmar
