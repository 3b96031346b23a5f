// Board start-up: the command lines text for text, the I2C traffic, the files it needs, demo mode
// and the bounded reply wait.
#include <gtest/gtest.h>

#include <thread>

#include "board_panel/board_setup_files.h"
#include "panel_fixture.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
using Lines = std::vector<std::string>;

const Lines kCodecLines = {
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003203E8 0x00000000 0x0000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003403E8 0x00000000 0x0000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003603E8 0x00000000 0x00000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003803E8 0x00000000 0x00000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003a03E8 0x00000000 0x00000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003c03E8 0x00000000 0x00000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003e03E8 0x00000000 0x00000000",
};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(BoardSetupFiles, I2cTableRecordsAndBounds) {
    EXPECT_TRUE(ParseI2cTable({0, 0, 0, 0, 0, 0, 0}).writes.empty());
    const auto table = ParseI2cTable({0, 0, 0, 2, 0, 0, 0, 0x40, 9, 2, 0xA, 0xB, 9, 0x42, 9, 1, 0xC, 9});
    ASSERT_EQ(table.writes.size(), 2u);
    EXPECT_EQ(table.writes[0], (std::vector<std::uint8_t>{0x40, 0xA, 0xB}));
    EXPECT_EQ(table.writes[1], (std::vector<std::uint8_t>{0x42, 0xC}));
    EXPECT_FALSE(table.truncated);
    // A second record whose data runs past the file is not sent.
    const auto cut = ParseI2cTable({0, 0, 0, 2, 0, 0, 0, 0x40, 0, 1, 0xA, 0, 0x42, 0, 200, 1});
    EXPECT_EQ(cut.writes.size(), 1u);
    EXPECT_TRUE(cut.truncated);
}

TEST(BoardSetupFiles, DspCodeTakesTheBusAddressFirst) {
    EXPECT_EQ(ParseDspCode("00 11\n22").bytes, (std::vector<std::uint8_t>{0x20, 0x11, 0x22}));
    EXPECT_EQ(ParseDspCode("ff 1ff").bytes[1], 0xFF);
    std::string many;
    for (int i = 0; i < 1100; ++i) many += "1 ";
    const auto code = ParseDspCode(many);
    EXPECT_EQ(code.bytes.size(), kDspCodeMaxNumbers);
    EXPECT_TRUE(code.truncated);
    const auto longNumber = ParseDspCode("0 1 " + std::string(120, '0') + " 2");
    EXPECT_EQ(longNumber.bytes.size(), 2u);
    EXPECT_TRUE(longNumber.truncated);
}

TEST(StartUp, NtscOnTheOlderBoardSendsTheseLines) {
    PanelFixture f(true, 0x1234);
    f.SetKey("LOGFILE", "startup.log");
    f.StartUp();
    f.panel->Link()->Log().Close();
    EXPECT_EQ(f.LoggedLines("startup.log"),
              Concat({{"mquit", "mreset", "mwrblk -fill 0x0 0x40000 0x4003f", "mld -first ucode\\ppdecMain.ux",
                       "mwr 0x410c0 0x0", "mwr 0x411c0 0x0", "mrd 0xfc0a00", "mwr 0xfc0a00 0x13",
                       "mwcmd -p 0x0 0xd0307  0x01010000 0x01000100 0x0 0x0 0x0 0x0 0x0"},
                      kCodecLines,
                      {"mwcmd -p 0x0 0x900F05 0x1000000  0x00000000 0x00000000 0x108080 0x0"}}));
    // The older board's bus carries the register table only: no EEPROM, no DSP.
    ASSERT_EQ(f.board.writes.messages.size(), 1u);
    EXPECT_EQ(f.board.writes.messages[0], (std::vector<std::uint8_t>{0x40, 0x11, 0x22}));
    EXPECT_TRUE(f.Captions().empty());
    EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
    EXPECT_TRUE(f.view.Checked(kRefFree));
    EXPECT_TRUE(f.view.Checked(kRef));
    EXPECT_TRUE(f.view.Checked(kTbc));
    EXPECT_TRUE(f.view.Checked(kViewA));
    EXPECT_TRUE(f.view.Checked(kLoopAlpha));
    EXPECT_TRUE(f.view.Flat(kNtsc));
    EXPECT_EQ(f.view.Range(kDelaySpinAudio), (velmar_ui::IntRange{0, 2304}));
    EXPECT_EQ(f.board.Word(window::kAudioRateStep), 256u);
    EXPECT_TRUE(f.panel->FreeRunActive());
    EXPECT_EQ(f.calls, (Calls{"A init", "B init", "Audio init", "Alpha init", "List init", "DV init"}));
    EXPECT_EQ(f.host.events, (std::vector<std::string>{"show load", "close load"}));
    EXPECT_TRUE(f.host.fitted);
}

TEST(StartUp, PalOnTheNewerBoardPollsTheEepromAndSendsTheDspCode) {
    PanelFixture f(true, window::kNewerBoardType);
    f.library.bus.readAnswers = {{0x31, 0x00}, {0x21, 8}};
    f.SetKey("PALMODE", "1");
    f.SetKey("PLAYREF", "2");
    f.SetKey("PLAYREFA", "5");
    f.SetKey("AUDVOL", "99");  // beyond its range: clamped to 31
    f.SetKey("LOGFILE", "startup.log");
    f.StartUp();
    f.panel->Link()->Log().Close();
    EXPECT_TRUE(f.Captions().empty());
    // Bus writes: the PAL table, the reference enable, the DSP code.
    ASSERT_EQ(f.board.writes.messages.size(), 3u);
    EXPECT_EQ(f.board.writes.messages[0], (std::vector<std::uint8_t>{0x42, 0x33}));
    EXPECT_EQ(f.board.writes.messages[1], (std::vector<std::uint8_t>{0x30, 0x01}));
    EXPECT_EQ(f.board.writes.messages[2], (std::vector<std::uint8_t>{0x20, 0x11, 0x22}));
    // The two bus reads: EEPROM status, then the DSP revision.
    ASSERT_EQ(f.library.bus.messages.size(), 2u);
    EXPECT_EQ(f.library.bus.messages[0][0], 0x31);
    EXPECT_EQ(f.library.bus.messages[1][0], 0x21);

    Lines codec = kCodecLines;
    codec[0] = "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003203E8 0x00000000 0x1f000000";
    EXPECT_EQ(f.LoggedLines("startup.log"),
              Concat({{"mquit", "mreset", "mwrblk -fill 0x0 0x40000 0x4003f", "mld -first ucode\\ppdecMain.ux",
                       "mwr 0x40038 0x1", "mwr 0x410c0 0x0", "mwr 0x411c0 0x0",
                       "mwcmd -p 0x0 0xd0307  0x01010000 0x01000100 0x0 0x0 0x0 0x0 0x0"},
                      codec,
                      {"mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003603E8 0x00000000 0x5000000",
                       "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003a03E8 0x00000000 0x55000000",
                       "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003c03E8 0x00000000 0x5000000",
                       // SDI reference
                       "mwcmd -s 0xffffffff 0x00090004 0x01010001 0x004203E8 0x00000000 0x1f000000",
                       "mwcmd -s 0xffffffff 0x00090006 0x0101000C 0x004803E8 0x00000000 0x02D82300 0x00001008 0x1879433f",
                       "mwcmd -s 0xffffffff 0x00090006 0x0101000C 0x004A03E8 0x00000000 0x02C03300 0x00E90D18 0x01804740",
                       "mwcmd -s 0xffffffff 0x00090004 0x01010002 0x008803E8 0x00000000 0x5CB20000",
                       "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x004003E8 0x00000000 0x82000000",
                       "mwcmd -p 0x0 0x900F05 0x1000001  0x00000000 0x00000001 0x108080 0x0"}}));
    EXPECT_TRUE(f.view.Checked(kRefSdi));
    EXPECT_TRUE(f.view.Checked(kAudioDigital));
    EXPECT_TRUE(f.view.Flat(kPal));
    EXPECT_EQ(f.panel->ControlByte(), 0x60);
}

TEST(StartUp, EepromBusyAndRevisionMismatchAreReportedAndStartUpGoesOn) {
    PanelFixture f(true, window::kNewerBoardType);
    f.library.bus.readAnswers = {{0x31, 0x80}, {0x21, 7}};
    f.SetKey("PLAYREF", "7");
    f.SetKey("PLAYREFA", "3");
    f.StartUp();
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"No Response from EEPROM",
                                                      "EEPROM Revision Mismatch Run EEPROM Update Tool"}));
    EXPECT_EQ(f.library.bus.messages.size(), 102u);  // the first read, 100 retries, the revision
    EXPECT_GE(f.ui.NowMs(), 100 * 40);
    // No reference command at all, but the channels are initialised; audio source 3 checks no radio.
    for (const auto& line : f.library.lines) EXPECT_EQ(line.find("0x900F05"), std::string::npos) << line;
    EXPECT_EQ(f.calls.size(), 6u);
    EXPECT_FALSE(f.view.Checked(kAudioNone) || f.view.Checked(kAudioAnalog) || f.view.Checked(kAudioDigital) ||
                 f.view.Checked(kAudioSdi));
    const auto lines = f.library.CommandLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003a03E8 0x00000000 0x33000000"),
              lines.end());
}

TEST(StartUp, DemoModeNeedsNoBoardAndNeverWaits) {
    PanelFixture f(false);
    f.StartUp();
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Can't find Velmar Card.  Switching to Demo Mode"}));
    EXPECT_TRUE(f.panel->DemoMode());
    EXPECT_TRUE(f.library.lines.empty());
    EXPECT_TRUE(f.board.writes.messages.empty());
    EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
    EXPECT_LT(f.ui.NowMs(), 1000);  // the 50 ms pause and the ticks, no reply waits
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "not loaded");
}

TEST(StartUp, AnUnansweredSettingsCommandIsGivenUpAfterItsBound) {
    PanelFixture f(true, 0);
    f.library.confirms = false;
    f.StartUp();
    EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
    ASSERT_TRUE(f.host.log);
    EXPECT_EQ(f.host.logView->ItemCount(kMessageList), 7);

    // Once the service loop has ended no reply can come: the wait ends at once.
    f.library.EndDaemon(1);
    while (f.panel->Link()->GetDaemonState() != DaemonState::Ended) std::this_thread::yield();
    const long long before = f.ui.NowMs();
    f.panel->ZeroCommandDone();
    EXPECT_FALSE(f.panel->WaitForReply());
    EXPECT_EQ(f.ui.NowMs(), before);
}

TEST(StartUp, MissingFilesEndTheProgramWithCodeZero) {
    struct Case {
        const char* removed;
        bool pal;
        std::uint32_t boardType;
        const char* message;
    };
    const Case cases[] = {
        {"i2c/velmar2ki2c.bin", false, 0, "Can't find file .bin"},
        {"i2c/velmar2ki2cpal.bin", true, 0, "Can't find file .bin"},
        {"ucode/dsp.hex", false, window::kNewerBoardType, "Can't find file .hex"},
        {"mpeg/black1.mpg", false, 0, "Can't find file black1.mpg"},
        {"mpeg/black1pal.mpg", true, 0, "Can't find file black1pal.mpg"},
        {"mpeg/framecut1.alp", false, 0, "Can't find file framecut1.alp"},
    };
    for (const auto& c : cases) {
        PanelFixture f(true, c.boardType);
        f.files.Remove(c.removed);
        if (c.pal) f.SetKey("PALMODE", "1");
        f.Make();
        f.panel->OnInitialUpdate();
        EXPECT_EQ(f.ui.exitCode, 0) << c.removed;
        ASSERT_FALSE(f.ui.Boxes().empty()) << c.removed;
        EXPECT_EQ(f.ui.Boxes().back().text, c.message);
        EXPECT_EQ(f.ui.Boxes().back().caption, "Velmar Error");
        EXPECT_FALSE(f.ui.TimerRunning(kPanelTimer)) << c.removed;
        if (std::string(c.removed).rfind("mpeg", 0) == 0) {
            EXPECT_EQ(f.calls, (Calls{"List stop"}));
        }
    }
}

TEST(StartUp, TablesAndDspCodeAreFoundInTheRunDirectoryFromAnyFolder) {
    for (const bool pal : {false, true}) {
        PanelFixture f(true, window::kNewerBoardType);
        f.files.WorkElsewhere();
        if (pal) f.SetKey("PALMODE", "1");
        f.StartUp();
        for (const auto& box : f.ui.Boxes()) EXPECT_EQ(box.text.find("Can't find file"), std::string::npos) << box.text;
        const auto& m = f.board.writes.messages;
        const std::vector<std::uint8_t> table = pal ? std::vector<std::uint8_t>{0x42, 0x33}
                                                    : std::vector<std::uint8_t>{0x40, 0x11, 0x22};
        EXPECT_NE(std::find(m.begin(), m.end(), table), m.end()) << pal;
        EXPECT_NE(std::find(m.begin(), m.end(), std::vector<std::uint8_t>{0x20, 0x11, 0x22}), m.end()) << pal;
    }
}

TEST(StartUp, UnwritableLogFileDisablesLogging) {
    PanelFixture f;
    f.SetKey("LOGFILE", "no-such-dir/x.log");
    f.StartUp();
    EXPECT_EQ(f.Captions(),
              (std::vector<std::string>{"Logging Disabled, Unable to initialize Log file - no-such-dir/x.log"}));
    EXPECT_EQ(f.profile.GetString("BOARD1", "LOGFILE", "?"), "");
}

}  // namespace
}  // namespace velmar
