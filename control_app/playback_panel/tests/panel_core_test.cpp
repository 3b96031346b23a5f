// PLAY ALL, the menu commands, the message log and the panel's end.
#include <gtest/gtest.h>

#include "panel_fixture.h"
#include "playback_panel/play_all.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;

using C = PlayAllChannel;

TEST(PlayAllArithmetic, OrderAndBaseField) {
    EXPECT_EQ(PlayAllOrder({0, 0, 0, 0}), (std::array<C, 4>{C::VideoA, C::VideoB, C::Alpha, C::Audio}));
    EXPECT_EQ(PlayAllOrder({30, 20, 10, 0}), (std::array<C, 4>{C::Audio, C::Alpha, C::VideoB, C::VideoA}));
    EXPECT_EQ(PlayAllOrder({5, 0, 5, 0}), (std::array<C, 4>{C::VideoB, C::Audio, C::VideoA, C::Alpha}));
    EXPECT_EQ(PlayAllOrder({10, 10, 0, 10}), (std::array<C, 4>{C::Alpha, C::VideoB, C::VideoA, C::Audio}));
    EXPECT_EQ(PlayAllBaseField(100), 116);
    EXPECT_EQ(PlayAllBaseField(101), 116);
}

struct Ready : PanelFixture {
    Ready() : PanelFixture(true, 0) {
        StartUp();
        library.WaitDaemonRunning();
        calls.clear();
    }
};

TEST(PlayAll, StopsCuesAndStartsTheChannelsInDelayOrderAtTheirFields) {
    Ready f;
    f.board.SetWord(window::kChannelAStatus + 4, 200);
    f.view.Type(kDelayA, "8");
    f.view.Type(kDelayB, "0");
    f.view.Type(kDelayAlpha, "4");
    f.view.Type(kDelayAudio, "2");
    f.view.Click(kLinkAudio);
    f.audio->SetLinked(true);
    f.panel->Command(kPlayAll);
    EXPECT_EQ(f.calls, (Calls{"A stop", "B stop", "Audio stop", "Alpha stop", "A pause", "B pause", "Audio pause",
                              "B play 216", "Audio play 218", "Alpha play 220", "A play 224"}));
    EXPECT_TRUE(f.audio->Linked());

    // Without the link box audio neither cues nor starts, and stays unlinked.
    f.calls.clear();
    f.view.Click(kLinkAudio);
    f.audio->SetLinked(false);
    f.view.Type(kDelayA, "0");
    f.view.Type(kDelayAlpha, "0");
    f.view.Type(kDelayAudio, "0");
    f.panel->Command(kPlayAll);
    EXPECT_EQ(f.calls, (Calls{"A stop", "B stop", "Audio stop", "Alpha stop", "A pause", "B pause", "A play 216",
                              "B play 216", "Alpha play 216"}));
    EXPECT_FALSE(f.audio->Linked());
}

// The Uncompress group's "Flds" and PLAY ALL's delays: each edit and its spin arrows are one
// number, and the arrows step from what was typed.
TEST(PanelSpins, EachEditAndItsSpinAreOneNumber) {
    Ready f;
    const velmar_ui::SpinBuddy pairs[] = {{kDecodeFieldsSpin, kDecodeFields},
                                          {kDelaySpinA, kDelayA},
                                          {kDelaySpinB, kDelayB},
                                          {kDelaySpinAlpha, kDelayAlpha},
                                          {kDelaySpinAudio, kDelayAudio}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.edit);
        f.view.Type(pair.edit, "50");
        f.panel->EditChanged(pair.edit);
        EXPECT_EQ(f.view.Position(pair.spin), 50);
        f.view.SetPosition(pair.spin, 51);
        f.panel->Scroll(pair.spin, velmar_ui::ScrollCode::LineUp, 51);
        EXPECT_EQ(f.view.Text(pair.edit), "51");
        // A number beyond the arrows' range stays as typed; the spin waits at its end.
        f.view.Type(pair.edit, "5000");
        f.panel->EditChanged(pair.edit);
        EXPECT_EQ(f.view.Position(pair.spin), 2304);
        EXPECT_EQ(f.view.Text(pair.edit), "5000");
        f.view.Type(pair.edit, "7");
        f.panel->EditChanged(pair.edit);
    }
    ASSERT_TRUE(f.panel->UpdateData(true));
    EXPECT_EQ(f.panel->delayA + f.panel->delayB + f.panel->delayAlpha + f.panel->delayAudio, 4 * 7);
}

TEST(Menus, EnterAppliesTheStartPositionsInOrder) {
    Ready f;
    f.videoA->logSaves = true;
    f.panel->Command(menu_ids::kEnter);
    // The form is taken before the starts are applied.
    EXPECT_EQ(f.calls, (Calls{"A save", "A start", "B start", "Audio start", "Alpha start", "List start"}));
}

TEST(Menus, ColourDialogsKeepOnOkAndRestoreOnCancel) {
    Ready f;
    f.host.editColors = [](ColorSettings& colors) {
        colors.refColor = 0x305070;
        colors.inputColor = 0x01020304;
    };
    f.panel->Command(menu_ids::kColorSetting);
    EXPECT_EQ(f.profile.GetString("BOARD1", "REFCOLOR"), "3166320");
    f.panel->Command(menu_ids::kVideoSettings);
    EXPECT_EQ(f.profile.GetString("BOARD1", "INPUTCOLOR"), "16909060");

    f.host.colorAnswer = false;
    f.host.editColors = [](ColorSettings& colors) { colors.refColor = 1; };
    f.panel->Colors().refColorDirty = false;
    f.panel->Command(menu_ids::kColorSetting);
    EXPECT_EQ(f.panel->Colors().refColor, 0x305070u);
    f.host.editColors = [](ColorSettings& colors) { colors.inputColor = 2; };
    f.panel->Command(menu_ids::kVideoSettings);
    EXPECT_EQ(f.panel->Colors().inputColor, 0x01020304u);
    EXPECT_TRUE(f.panel->Colors().refColorDirty && f.panel->Colors().inputColorDirty);
    EXPECT_EQ(f.profile.GetString("BOARD1", "REFCOLOR"), "3166320");
}

TEST(Menus, ToolsAudioSettingsAndLogging) {
    Ready f;
    for (int id : {menu_ids::kAlphaGenerator, menu_ids::kByteSwap, menu_ids::kFileMerge, menu_ids::kFileSplit,
                   menu_ids::kAudioSettings})
        EXPECT_TRUE(f.panel->Command(id));
    EXPECT_EQ(f.host.events, (std::vector<std::string>{"show load", "close load", "tool 32776", "tool 32777",
                                                       "tool 32783", "tool 32784", "audio settings"}));
    EXPECT_TRUE(f.panel->CommandEnabled(menu_ids::kSetLogFile));
    EXPECT_FALSE(f.panel->CommandEnabled(menu_ids::kDisableLogging));
    f.ui.ScriptChoice("chosen.log");
    f.panel->Command(menu_ids::kSetLogFile);
    EXPECT_EQ(f.profile.GetString("BOARD1", "LOGFILE"), "chosen.log");
    EXPECT_TRUE(f.panel->CommandEnabled(menu_ids::kDisableLogging));
    f.panel->Command(menu_ids::kDisableLogging);
    EXPECT_EQ(f.profile.GetString("BOARD1", "LOGFILE", "?"), "");
    EXPECT_FALSE(f.panel->CommandEnabled(menu_ids::kDisableLogging));
}

TEST(Menus, EepromUpdateOnTheNewerBoardAsksForARestartOnlyAfterWriting) {
    for (bool written : {true, false}) {
        PanelFixture f(true, window::kNewerBoardType);
        f.library.bus.readAnswers = {{0x21, 8}};
        f.StartUp();
        f.host.eepromWritten = written;
        f.panel->Command(menu_ids::kUpdateEeprom);
        EXPECT_EQ(f.host.events.back(), "eeprom");
        EXPECT_EQ(f.Captions(), written ? std::vector<std::string>{"Please Restart This Program Now"}
                                        : std::vector<std::string>{});
    }
}

TEST(MessageLog, KeepsAtMost1025LinesAndItsPlace) {
    Ready f;
    for (int i = 0; i < 1026; ++i) f.panel->AddLogMessage("line " + std::to_string(i));
    auto& list = *f.host.logView;
    EXPECT_EQ(list.ItemCount(kMessageList), 1025);
    EXPECT_EQ(list.ItemText(kMessageList, 0), "line 1");
    EXPECT_EQ(list.Control(kMessageList).shownItem, 1024);
    list.SetWindowRect({5, 6, 300, 200});
    EXPECT_TRUE(f.host.log->OnCancel());
    EXPECT_EQ(f.profile.GetInt("BOARD1", "MESSCX", 0), 300);
    EXPECT_EQ(f.profile.GetInt("BOARD1", "MESSY", 0), 6);
    velmar_ui::testing::FakeFormView again(MessageLogForm());
    CMessageLogDlg reopened(again, f.ui, f.profile, "BOARD1");
    reopened.OnInitDialog();
    EXPECT_EQ(again.WindowRect(), (velmar_ui::Rect{5, 6, 300, 200}));
}

TEST(Destroy, StopsChannelsKeepsTheFrameAndEndsTheServiceLoop) {
    Ready f;
    f.library.lines.clear();
    f.panel->OnDestroy();
    EXPECT_EQ(f.calls, (Calls{"A stop", "B stop", "Audio stop", "Alpha stop"}));
    EXPECT_EQ(f.library.lines, (std::vector<std::string>{"mrd 0xfc0a00", "mwr 0xfc0a00 0x13", "mquit"}));
    EXPECT_EQ(f.profile.GetInt("BOARD1", "WINCX", 0), 800);
    EXPECT_EQ(f.profile.GetInt("BOARD1", "WINY", 0), 20);
    EXPECT_EQ(f.profile.GetString("BOARD1", "RECPLAY"), "0");
    EXPECT_EQ(f.panel->Link()->GetDaemonState(), DaemonState::Ended);
}

TEST(Destroy, MinimisedFrameWritesNoKeys) {
    Ready f;
    f.host.minimized = true;
    f.panel->OnDestroy();
    EXPECT_EQ(f.profile.GetString("BOARD1", "WINCX", "unset"), "unset");
}

}  // namespace
}  // namespace velmar
