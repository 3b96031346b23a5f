// Board settings: the reference recipe per source and standard, leaving free run, the reference
// output, TBC, audio routing, the 2000-only answers and the restart switches.
#include <gtest/gtest.h>

#include "panel_fixture.h"
#include "shell/launch.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
using Lines = std::vector<std::string>;

struct Ready : PanelFixture {
    explicit Ready(std::uint32_t boardType = window::kNewerBoardType, bool pal = false)
        : PanelFixture(true, boardType) {
        library.bus.readAnswers = {{0x21, 8}};
        if (pal) SetKey("PALMODE", "1");
        StartUp();
        library.WaitDaemonRunning();
        Tick();  // the first status tick switches the reference on
        library.lines.clear();
        board.writes.messages.clear();
        calls.clear();
    }
    Lines Sent() {
        Lines lines = library.lines;
        library.lines.clear();
        return lines;
    }
};

const std::string kSet = "mwcmd -s 0xffffffff ";

TEST(Settings, ReferenceRecipesPerSourceAndStandard) {
    struct Case {
        ControlId radio;
        bool pal;
        Lines lines;
    };
    const Case cases[] = {
        {kRefCVideo, true,
         {kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000",
          "mwcmd -p 0x0 0x900F05 0x1000001 0x00000000 0x00000001 0x108080 0x0",
          kSet + "0x00090004 0x01010001 0x004003E8 0x00000000 0x8a000000",
          kSet + "0x00090006 0x0101000C 0x004803E8 0x00000000 0x02D82300 0x00001008 0x1879433f",
          kSet + "0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C03300 0x00E90D18 0x01804740",
          kSet + "0x00090005 0x01010005 0x004803E8 0x00000000 0xa804740 0x0",
          kSet + "0x00090005 0x01010005 0x004A03E8 0x00000000 0xa804740 0x0",
          kSet + "0x00090004 0x01020002 0x008803E8 0x00000000 0x5CB20000",
          kSet + "0x00090004 0x01020001 0x003003E8 0x00000000 0x61000000"}},
        {kRefSvhs, false,
         {kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000",
          "mwcmd -p 0x0 0x900F05 0x1000000 0x00000000 0x00000001 0x108080 0x0",
          kSet + "0x00090004 0x01010001 0x004003E8 0x00000000 0x8a000000",
          kSet + "0x00090006 0x0101000C 0x004803E8 0x00000000 0x02DF2300 0x00001048 0x98804642",
          kSet + "0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C73300 0x00E90D58 0x81804740",
          kSet + "0x00090005 0x01010005 0x004803E8 0x00000000 0xa804740 0x0",
          kSet + "0x00090005 0x01010005 0x004A03E8 0x00000000 0xa804740 0x0",
          kSet + "0x00090004 0x01020002 0x008803E8 0x00000000 0x5CB00000",
          kSet + "0x00090004 0x01020001 0x003003E8 0x00000000 0x21000000"}},
        {kRefVp, false,
         {kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x3f000000",
          "mwcmd -p 0x0 0x900F05 0x1000000 0x00000000 0x00000001 0x108080 0x0",
          kSet + "0x00090006 0x0101000C 0x004803E8 0x00000000 0x02D82300 0x00001048 0x1879433f",
          kSet + "0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C03300 0x00E90D58 0x01804740",
          kSet + "0x00090004 0x01010002 0x008803E8 0x00000000 0x5CB20000",
          kSet + "0x00090004 0x01020001 0x004003E8 0x00000000 0x82000000",
          kSet + "0x00090004 0x01020001 0x003003E8 0x00000000 0x21000000"}},
    };
    for (const auto& c : cases) {
        Ready f(window::kNewerBoardType, c.pal);
        f.panel->Command(c.radio);
        EXPECT_EQ(f.Sent(), c.lines) << c.radio;
        EXPECT_FALSE(f.panel->FreeRunActive());
        EXPECT_EQ(f.profile.GetInt("BOARD1", "PLAYREF", -1), c.radio == kRefVp ? 3 : (c.radio == kRefSvhs ? 1 : 0));
    }
}

TEST(Settings, SdiTwiceSendsTheSameSequenceWithoutLeavingFreeRunAgain) {
    Ready f;
    f.panel->Command(kRefSdi);
    f.Sent();
    f.panel->Command(kRefSdi);
    const Lines second = f.Sent();
    f.panel->Command(kRefSdi);
    EXPECT_EQ(f.Sent(), second);
    EXPECT_EQ(second, (Lines{kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000",
                             kSet + "0x00090006 0x0101000C 0x004803E8 0x00000000 0x02D82300 0x00001048 0x1879433f",
                             kSet + "0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C03300 0x00E90D58 0x01804740",
                             kSet + "0x00090004 0x01010002 0x008803E8 0x00000000 0x5CB20000",
                             kSet + "0x00090004 0x01020001 0x004003E8 0x00000000 0x82000000"}));
    f.panel->Command(kRefFree);
    EXPECT_EQ(f.Sent(), (Lines{kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000",
                               kSet + "0x00090004 0x01010001 0x004003E8 0x00000000 0x8a000000",
                               kSet + "0x00090006 0x0101000C 0x004803E8 0x00000000 0x02D82300 0x00001046 0x1879433f",
                               kSet + "0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C03300 0x00E90D66 0x01804740",
                               kSet + "0x00090004 0x01010002 0x008803E8 0x00000000 0x5CB20000"}));
}

TEST(Settings, ReferenceOutputAndTbc) {
    Ready f;
    f.view.Click(kRef);  // unchecked
    f.panel->Command(kRef);
    EXPECT_EQ(f.Sent(), (Lines{kSet + "0x00090004 0x01020001 0x003003E8 0x00000000 0x20000000"}));
    EXPECT_EQ(f.profile.GetString("BOARD1", "STOPREF"), "1");
    // With a video loaded only the key changes.
    f.videoA->loaded = true;
    f.view.Click(kRef);
    f.panel->Command(kRef);
    EXPECT_TRUE(f.Sent().empty());
    EXPECT_EQ(f.profile.GetString("BOARD1", "STOPREF"), "0");

    f.panel->Command(kTbc);
    f.panel->Command(kTbc);
    EXPECT_EQ(f.Sent(), (Lines{kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x5f000000",
                               kSet + "0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000"}));
    EXPECT_EQ(f.panel->BusByte42(), 0x1F);
}

TEST(Settings, OlderBoardSwitchesTheReferenceThroughItsControlRegister) {
    Ready f(0);
    f.library.controlRegister = 0x17;
    f.view.Click(kRef);
    f.panel->Command(kRef);
    EXPECT_EQ(f.Sent(), (Lines{"mrd 0xfc0a00", "mwr 0xfc0a00 0x7"}));
}

TEST(Settings, AudioSourceRoutesOnlyWithoutAudioLoaded) {
    Ready f;
    f.panel->Command(kAudioAnalog);
    EXPECT_EQ(f.Sent(), (Lines{kSet + "0x00090004 0x01020001 0x003603E8 0x00000000 0x4000000",
                               kSet + "0x00090004 0x01020001 0x003a03E8 0x00000000 0x44000000",
                               kSet + "0x00090004 0x01020001 0x003c03E8 0x00000000 0x4000000"}));
    f.audio->loaded = true;
    f.panel->Command(kAudioSdi);
    EXPECT_TRUE(f.Sent().empty());
    EXPECT_EQ(f.profile.GetString("BOARD1", "PLAYREFA"), "6");
    f.panel->AudioRoutingOff();
    EXPECT_EQ(f.Sent(), (Lines{kSet + "0x00090004 0x01020001 0x003a03E8 0x00000000 0x00000000",
                               kSet + "0x00090004 0x01020001 0x003c03E8 0x00000000 0x00000000"}));
}

TEST(Settings, ViewDv50AndDspButtons) {
    Ready f;
    f.panel->Command(kViewB);
    f.panel->Command(kViewA);
    EXPECT_EQ(f.Sent(), (Lines{"mwcmd -p 0x0 0x9c0101 0x1", "mwcmd -p 0x0 0x9c0001 0x1"}));
    EXPECT_EQ(f.panel->ViewedChannel(), 0);
    f.panel->Command(kDv50);
    EXPECT_EQ(f.profile.GetString("BOARD1", "DV50"), "1");
    f.panel->Command(kDspReset);
    f.panel->Command(kDspSend);
    EXPECT_EQ(f.board.writes.messages,
              (std::vector<std::vector<std::uint8_t>>{{0x30, 0xA1}, {0x20, 0x11, 0x22}}));
    f.panel->Command(kDv25Mp);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"This feature is not yet implemented"}));
}

TEST(Settings, NewerBoardFunctionsAnswerOnTheOlderBoardAndChangeNothing) {
    Ready f(0);
    f.view.Click(kRefVp);
    f.panel->Command(kRefVp);
    f.view.Click(kTbc);
    f.panel->Command(kTbc);
    f.view.Click(kDv50);
    f.panel->Command(kDv50);
    f.panel->Command(kFromPlayer);
    f.panel->Command(menu_ids::kUpdateEeprom);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Video Port is only available on Velmar2000 boards",
                                                      "The Time Base Corrector can only be disabled on Velmar2000 boards",
                                                      "This feature is only available on Velmar2000 boards",
                                                      "This feature is only available on Velmar2000 boards",
                                                      "This feature is only available on Velmar2000 boards"}));
    EXPECT_TRUE(f.Sent().empty());
    EXPECT_TRUE(f.view.Checked(kRefFree));
    EXPECT_FALSE(f.view.Checked(kRefVp));
    EXPECT_TRUE(f.view.Checked(kTbc));
    EXPECT_FALSE(f.view.Checked(kDv50));
    EXPECT_EQ(f.profile.GetString("BOARD1", "DV50", "unset"), "unset");
    EXPECT_TRUE(f.host.events.empty() || f.host.events.back() != "eeprom");
}

TEST(Settings, RestartSwitches) {
    Ready f;
    f.panel->Command(kNtsc);  // already NTSC
    EXPECT_TRUE(f.ui.programs.empty());
    EXPECT_TRUE(f.calls.empty());

    f.panel->Command(kRecord422);
    ASSERT_EQ(f.ui.programs.size(), 1u);
    EXPECT_EQ(f.ui.programs[0].program, "Velmar");
    EXPECT_EQ(f.ui.programs[0].arguments,
              (std::vector<std::string>{RestartArgument(board_commands::BoardNumber::First(), false, ScreenRect{10, 20, 810, 620}, false)}));
    EXPECT_EQ(f.profile.GetString("BOARD1", "RECMODE"), "1");
    EXPECT_EQ(f.calls, (Calls{"A stop", "B stop", "Audio stop", "Alpha stop", "List stop"}));
    EXPECT_TRUE(f.panel->Restarting());
    EXPECT_FALSE(f.host.destroyed);
}

TEST(Settings, FailedRestartIsReportedAndThePanelCarriesOn) {
    Ready f;
    f.ui.startProgramSucceeds = false;
    f.panel->Command(kPal);
    EXPECT_EQ(f.profile.GetString("BOARD1", "PALMODE"), "1");
    EXPECT_FALSE(f.panel->Restarting());
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Velmar could not be restarted"}));
}

}  // namespace
}  // namespace velmar
