// However a recording ends, the record panel leaves files that agree, through the panel, the real
// command library and the software board program: the operator's STOP, a second Velmar taking the
// board over (its "mquit" ends this one's service loop under the running recording) and a board
// that goes silent (`ExpectRecordingAgrees` says what agreeing is). The playback panel's DV
// record, taken over the same way, keeps whole frames and a final WAVE header too.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "panel_on_board.h"
#include "recording_checks.h"
#include "platform/profile.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "record_panel/record_form.h"
#include "record_panel/record_ids.h"
#include "record_panel/velmar_vrec.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

enum class End { Stop, SuccessorQuits, BoardGoesSilent };

// The record panel of board 1 with its fakes, over the real driver and command library.
struct RecordPanelOnBoard {
    explicit RecordPanelOnBoard(const platform::Profile& profile)
        : panel(view, ui, host, PanelBoard{driver, library, timing}, profile, board_commands::BoardNumber::First()) {
        host.ui = &ui;
    }
    ~RecordPanelOnBoard() {
        if (!destroyed) panel.OnDestroy();
    }
    // Ticks until the panel asks its frame to close (the service loop has ended), at most `limit`.
    bool TickUntilFrameCloses(std::chrono::seconds limit) {
        for (auto until = std::chrono::steady_clock::now() + limit; !host.destroyed;) {
            if (std::chrono::steady_clock::now() > until) return false;
            ui.Advance(kPanelTimerMs);
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }
    // What the frame does as it closes.
    void Destroy() {
        destroyed = true;
        panel.OnDestroy();
    }

    velmar_ui::testing::FakeFormView view{RecordPanelForm()};
    RealTimeUi ui;
    panel_testing::FakeHost host;
    TessolkLibrary driver{board_commands::BoardNumber::First()};
    RuventLibrary library;
    panel_testing::NoDelays timing;
    CVelmarVrec panel;
    bool destroyed = false;
};

void Quit(BoardLibrary& library) {
    std::string word = "mquit";
    char* argv[] = {word.data(), nullptr};
    library.Call(BoardExport::Mquit, 1, argv);
}

class RecordEnd : public ::testing::Test {};

TEST_F(RecordEnd, EveryEndLeavesAgreeingFiles) {
    VELMAR_REQUIRE_TOOL("ffprobe");
    VELMAR_REQUIRE_TOOL("ffmpeg");
    for (const auto& [end, name] : {std::pair{End::Stop, "stop"}, std::pair{End::SuccessorQuits, "successor"},
                                    std::pair{End::BoardGoesSilent, "silent-board"}}) {
        SCOPED_TRACE(name);
        const std::string dir = velmar_testing::TempDir() + "/record-end-" + name;
        std::filesystem::create_directories(dir);
        const RecordingFiles files(dir);
        platform::Profile profile(dir + "/E2E.INI");
        files.WriteSettings(profile);

        SoftBoardProgram board({}, dir + "/board.log");
        const InRunDirectory inRunDirectory;
        {
            RecordPanelOnBoard on(profile);
            CVelmarVrec& panel = on.panel;
            panel.OnInitialUpdate();
            on.ui.Advance(kPanelTimerMs);
            ASSERT_FALSE(panel.DemoMode());
            panel.Command(record_ids::kRecordVideo);
            // About a second and a half: the board counts fields in its record status.
            const auto fields = [&] { return panel.Window()->Read32(window::kRecordStatus + 16); };
            for (auto until = std::chrono::steady_clock::now() + 30s;
                 fields() < 90 && std::chrono::steady_clock::now() < until;)
                on.ui.Advance(kPanelTimerMs), std::this_thread::sleep_for(20ms);
            ASSERT_GE(fields(), 90u);
            switch (end) {
            case End::Stop:
                panel.Command(record_ids::kStopVideo);
                break;
            case End::SuccessorQuits:
                Quit(on.library);
                ASSERT_TRUE(on.TickUntilFrameCloses(20s));
                break;
            case End::BoardGoesSilent:
                board.Stop();
                ASSERT_TRUE(on.TickUntilFrameCloses(20s));
                break;
            }
            on.Destroy();
        }

        ExpectRecordingAgrees(files);
    }
}

TEST_F(RecordEnd, DvRecordTakenOverKeepsWholeFrames) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir() + "/record-end-dv";
    std::filesystem::create_directories(dir);
    const std::string video = dir + "/take.dv", audio = dir + "/take.wav";
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHDVR", video);
    profile.WriteString("BOARD1", "PATHDVAR", audio);
    profile.WriteString("BOARD1", "LINKDVR", "1");
    profile.WriteString("BOARD1", "PALMODE", "0");
    profile.WriteString("BOARD1", "DV50", "0");

    const SoftBoardProgram board({}, dir + "/board.log");
    const InRunDirectory inRunDirectory;
    {
        PanelOnBoard on(profile);
        CVelmarView& panel = on.panel;
        InstallVideoChannels(panel);
        InstallDvRecord(panel);
        on.StartUp();
        ASSERT_FALSE(panel.DemoMode());
        panel.Command(panel_ids::kRecordDv);
        const auto recorded = [&] { return -16 - std::int64_t(std::int32_t(panel.Window()->Read32(window::kRecordCounter))); };
        for (auto until = std::chrono::steady_clock::now() + 30s; recorded() < 45 && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(20ms);
        ASSERT_GE(recorded(), 45);
        Quit(on.library);
        for (auto until = std::chrono::steady_clock::now() + 20s; !on.host.destroyed;) {
            ASSERT_LT(std::chrono::steady_clock::now(), until) << "the panel never saw its loop end";
            on.ui.Advance(kPanelTimerMs);
            std::this_thread::sleep_for(20ms);
        }
        panel.OnDestroy();
    }

    const std::uint64_t size = std::filesystem::file_size(video);
    EXPECT_GT(size, 0u);
    EXPECT_EQ(size % DvFrameBytes(false, false), 0u) << "whole frames";
    std::string errors;
    EXPECT_EQ(velmar_testing::RunCommand("ffmpeg -v error -xerror -i '" + video + "' -f null - 2>&1", &errors), 0)
        << errors;
    const std::string wave = ReadBytes(audio);
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(Le32(wave, 4), wave.size() - 8);
    EXPECT_EQ(Le32(wave, 40), wave.size() - 44);
    EXPECT_EQ((wave.size() - 44) % 4, 0u);
}

}  // namespace
}  // namespace velmar
