// The status loop over a board window the test writes: displays, "not loaded", colours, drain
// counters, remote requests, the service loop's end, and the re-entry guard.
#include <gtest/gtest.h>

#include "panel_fixture.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;

struct Started : PanelFixture {
    explicit Started(std::uint32_t boardType = 0) : PanelFixture(true, boardType) {
        StartUp();
        library.WaitDaemonRunning();
        for (int id : kPositionSliderIds) view.SetRange(id, {0, 4'000'000});
        library.lines.clear();
        calls.clear();
    }
};

TEST(Timer, FirstTickShowsNotLoadedAndSwitchesTheReferenceOnOnce) {
    Started f;
    f.Tick();
    for (auto id : {kTimecodeA, kTimecodeB, kTimecodeAudio, kPositionAlpha, kTimecodeList})
        EXPECT_EQ(f.view.Text(id), "not loaded") << id;
    EXPECT_EQ(f.view.Text(kTimecodeDv), "not record");
    EXPECT_EQ(f.library.lines, (std::vector<std::string>{"mrd 0xfc0a00", "mwr 0xfc0a00 0x13"}));
    // Written once: a later tick leaves the display alone.
    f.view.SetText(kTimecodeA, "marker");
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "marker");
    EXPECT_EQ(f.library.lines.size(), 2u);
}

TEST(Timer, VideoDisplayChangesOnlyOnANewCounter) {
    Started f;
    f.videoA->loaded = true;
    f.videoA->length = 100;
    f.board.SetWord(window::kChannelAStatus + 8, 2 * 1499 + 250);  // field 3248 of a looping clip
    f.board.SetWord(window::kChannelAStatus + 40, 0x02000000);     // byte +43: P picture
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "00:00:00:24  P");  // field 48 of the 100-field clip
    EXPECT_EQ(f.view.Position(kSliderA), (2 * 1499 + 250) % 100);
    EXPECT_EQ(f.remote.Handle(kRemoteGetPosition, 0, 0), (2 * 1499 + 250) % 100 / 2);

    f.view.SetText(kTimecodeA, "marker");
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "marker");
    f.board.SetWord(window::kChannelAStatus + 8, 10);
    f.board.SetWord(window::kChannelAStatus + 40, 0x07000000);
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "00:00:00:05  X");

    // Unloading shows "not loaded" and parks the slider.
    f.videoA->loaded = false;
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "not loaded");
    EXPECT_EQ(f.view.Position(kSliderA), 0);
}

TEST(Timer, ZeroLengthChannelDoesNotDivideByZero) {
    Started f;
    f.videoB->loaded = true;
    f.videoB->length = 0;
    f.board.SetWord(window::kChannelBStatus + 8, 7);
    f.Tick();
    EXPECT_EQ(f.view.Position(kSliderB), 0);
    EXPECT_EQ(f.view.Text(kTimecodeB).substr(0, 11), "00:00:00:00");
}

TEST(Timer, AlphaAudioListAndDvDisplays) {
    Started f;
    f.alpha->loaded = true;
    f.board.SetWord(0x1550, 40);
    f.board.SetWord(0x13C0, 2);
    f.audio->loaded = true;
    f.audio->length = 1'000'000;
    f.board.SetWord(0x113C, 0);
    f.board.SetWord(0x1140, 102392 + 3840 * 50);  // 50 fields past the start at 48 kHz PAL rate
    f.dvRecord->recording = true;
    f.board.SetWord(window::kRecordStatus + 8, static_cast<std::uint32_t>(-16 - 60));
    f.Tick();
    EXPECT_EQ(f.view.Text(kPositionAlpha), "00000042");
    EXPECT_EQ(f.view.Position(kSliderAlpha), 42);
    EXPECT_EQ(f.view.Text(kTimecodeAudio), "00:00:00:25");
    EXPECT_EQ(f.audio->position, 50u);
    EXPECT_EQ(f.view.Text(kTimecodeDv), "00:00:02:00");

    // A DV counter that has not started counting shows zero, not garbage digits.
    f.board.SetWord(window::kRecordStatus + 8, 5);
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeDv), "00:00:00:00");
    f.dvRecord->recording = false;
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeDv), "not record");

    // While the list is active its display runs from channel A's scheduling counter, and the other
    // sliders are left to it.
    f.playList->active = true;
    f.playList->length = 1000;
    f.board.SetWord(window::kChannelAStatus + 4, 3000);
    f.board.SetWord(0x1550, 50);
    f.Tick();
    // Frame 1500 of a looping 1000-frame list is frame 500 of it, also for a controller.
    EXPECT_EQ(f.view.Text(kTimecodeList), "00:00:16:20");  // NTSC
    EXPECT_EQ(f.view.Position(kSliderList), 500);
    EXPECT_EQ(f.remote.Handle(kRemoteGetPosition, 0, 0), 500);
    EXPECT_EQ(f.view.Text(kPositionAlpha), "00000052");
    EXPECT_EQ(f.view.Position(kSliderAlpha), 42);
}

// Every display of a tick comes from one copy of the status words: a word the board changes
// between two reads cannot pair an old half with a new one.
TEST(Timer, EachTickReadsTheBoardWindowOnce) {
    Started f;
    f.videoA->loaded = f.videoB->loaded = f.alpha->loaded = f.audio->loaded = true;
    f.videoA->length = f.videoB->length = f.audio->length = 100;
    f.dvRecord->recording = true;
    f.board.SetWord(window::ProgressWordOffset(window::kAudioProgressEntry, 1), 102392);
    f.Tick();
    f.playList->active = true;
    const std::uint64_t before = f.panel->Window()->Reads();
    f.Tick();
    EXPECT_EQ(f.panel->Window()->Reads() - before, 1u);

    // The copy is the status area as it stood, bytes little-endian within their words.
    BoardWindow& window = *f.panel->Window();
    window.Write32(window::kChannelBStatus + window::kStatusPictureTypeWord, 0x03000000);
    const BoardStatus status = window.ReadStatus();
    window.Write32(window::kChannelBStatus + window::kStatusPictureTypeWord, 0);
    EXPECT_EQ(status.Byte(window::kChannelBStatus + window::kStatusPictureTypeByte), 3);
    EXPECT_EQ(status.Word(window::kCommandDoneWord), 0u);  // outside the area
}

TEST(Timer, DirtyColoursAreSentOnlyWhileNoVideoIsLoaded) {
    Started f;
    f.Tick();
    f.library.lines.clear();
    f.videoA->loaded = true;
    f.panel->Colors().refColor = 0x204060;
    f.panel->Colors().refColorDirty = true;
    f.panel->Colors().inputColor = 0x80474000;
    f.panel->Colors().inputColorDirty = true;
    f.Tick();
    EXPECT_TRUE(f.library.lines.empty());
    f.videoA->loaded = false;
    f.Tick();
    EXPECT_EQ(f.library.lines,
              (std::vector<std::string>{
                  "mrd 0xfc0a00", "mwr 0xfc0a00 0x13",  // the display had shown a position
                  "mwcmd -p 0x0 0x900F05 0x1000000 0x00000000 0x00000001 0x204060 0x0",
                  "mwcmd -s 0xffffffff 0x00090005 0x01010005 0x004803E8 0x00000000 0xa804740 0x0",
                  "mwcmd -s 0xffffffff 0x00090005 0x01010005 0x004A03E8 0x00000000 0xa804740 0x0"}));
    EXPECT_FALSE(f.panel->Colors().refColorDirty || f.panel->Colors().inputColorDirty);
}

TEST(Timer, DrainCountersCountUnchangedTicksUpToForty) {
    Started f;
    f.board.SetWord(0x11CC, 5);
    f.Tick();
    EXPECT_EQ(f.panel->Drain(5).count, 0);
    for (int i = 0; i < 10; ++i) f.Tick();
    EXPECT_EQ(f.panel->Drain(5).count, 10);
    EXPECT_EQ(f.panel->Drain(6).count, 11);
    f.board.SetWord(0x11D8, 1);
    for (int i = 0; i < 50; ++i) f.Tick();
    EXPECT_EQ(f.panel->Drain(5).count, kDrainCounterCap);
    EXPECT_EQ(f.panel->Drain(6).count, kDrainCounterCap);
    f.board.SetWord(0x11E0, 9);
    f.Tick();
    EXPECT_EQ(f.panel->Drain(7).count, 0);
}

TEST(Timer, RemoteRequestsDriveThePlayList) {
    Started f;
    f.SetKey("PLAYLIST", "show.vpl");
    EXPECT_EQ(f.remote.Handle(kRemoteLoadAndCue, kRequestPlayList, 1800), 1);
    f.Tick();
    EXPECT_EQ(f.calls, (Calls{"list scan", "List stop", "List play 0"}));
    EXPECT_EQ(f.view.Text(kPathList), "show.vpl");
    EXPECT_EQ(f.view.Text(kStartList), "00010002");
    EXPECT_EQ(f.view.Position(kSliderList), 1800);

    // The same list again is not scanned again.
    f.calls.clear();
    f.remote.Handle(kRemoteCommand, kRequestPlayList, 0);
    f.Tick();
    EXPECT_EQ(f.calls, (Calls{"List stop", "List play 0"}));

    f.calls.clear();
    f.remote.Handle(kRemoteCommand, kRequestStopList, 0);
    f.Tick();
    EXPECT_EQ(f.calls, (Calls{"List stop"}));
    f.Tick();
    EXPECT_EQ(f.calls.size(), 1u);
}

TEST(Timer, ServiceLoopEndClosesTheFrame) {
    for (int result : {1, 10}) {
        Started f;
        f.SetKey("RECPLAY", "1");
        f.library.EndDaemon(result);
        f.panel->Link()->JoinDaemon();
        f.Tick();
        EXPECT_TRUE(f.host.destroyed);
        EXPECT_TRUE(f.panel->Closing());
        EXPECT_FALSE(f.ui.TimerRunning(kPanelTimer));
        EXPECT_EQ(f.profile.GetString("BOARD1", "RECPLAY"), "0");
        if (result == 10) {
            EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Video Error or No Video Source Detected. Program "
                                                              "will Switch to Freerun and Close."}));
            EXPECT_EQ(f.ui.Boxes()[0].caption, "Video Error");
            EXPECT_EQ(f.profile.GetString("BOARD1", "PLAYREF"), "4");
        } else {
            EXPECT_TRUE(f.Captions().empty());
        }
    }
}

TEST(Timer, RestartingStopsTheLoop) {
    Started f;
    f.SetKey("PALMODE", "0");
    f.panel->Command(kPal);
    EXPECT_TRUE(f.panel->Restarting());
    f.library.lines.clear();
    f.Tick();
    EXPECT_TRUE(f.library.lines.empty());
    EXPECT_EQ(f.view.Text(kTimecodeA), "not loaded");  // the form's caption, untouched by the loop
}

TEST(Timer, FirstPaintSetsTheTitleOnce) {
    Started f;
    f.panel->OnPaint();
    EXPECT_EQ(f.host.title, "Velmar Player Board1");
    f.host.title.clear();
    f.panel->OnPaint();
    EXPECT_EQ(f.host.title, "");
}

}  // namespace
}  // namespace velmar

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;

// UI services whose boxes let a timer tick in, as a box's own message loop does.
class TickingUi : public velmar_ui::testing::FakeUiServices {
public:
    std::function<void()> duringBox;
    velmar_ui::BoxAnswer MessageBox(const velmar_ui::MessageBoxSpec& box) override {
        if (duringBox) duringBox();
        return FakeUiServices::MessageBox(box);
    }
};

TEST(Timer, TicksDuringTheBoardsInitialisationReturnAtOnce) {
    PanelFixture f;
    TickingUi ui;
    f.SetKey("LOGFILE", "no-such-dir/x.log");  // a box in the middle of the initialisation
    f.panel = std::make_unique<CVelmarView>(f.view, ui, f.host, PanelBoard{f.board, f.library, f.timing}, f.profile,
                                            &f.remote, board_commands::BoardNumber::First());
    f.panel->OnInitialUpdate();
    int nestedTicks = 0;
    ui.duringBox = [&] {
        ++nestedTicks;
        EXPECT_EQ(f.panel->GetTimerState(), TimerState::Busy);
        f.panel->Timer(kPanelTimer);
        EXPECT_EQ(f.panel->GetTimerState(), TimerState::Busy);
    };
    const auto before = f.library.lines.size();
    ui.Advance(kPanelTimerMs);
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
    // One initialisation only: one "mreset".
    int resets = 0;
    for (std::size_t i = before; i < f.library.lines.size(); ++i) resets += f.library.lines[i] == "mreset";
    EXPECT_EQ(resets, 1);
    f.library.EndDaemon(1);
    f.panel.reset();
}

TEST(Timer, StatusTickLeavesRemoteRequestsAlone) {
    PanelFixture f;
    f.StartUp();
    f.library.WaitDaemonRunning();
    f.calls.clear();
    f.remote.Handle(kRemoteCommand, kRequestStopList, 0);
    f.board.SetWord(0x11D4, 3);
    f.panel->StatusTick();
    f.panel->StatusTick();
    EXPECT_TRUE(f.calls.empty());
    EXPECT_EQ(f.panel->Drain(6).count, 1);
    EXPECT_EQ(f.view.Text(kTimecodeA), "not loaded");
    f.Tick();
    EXPECT_EQ(f.calls, (Calls{"List stop"}));
}

}  // namespace
}  // namespace velmar
