#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "board_link/board_link.h"
#include "platform/log.h"
#include "recording_board_library.h"
#include "velmar_testing/test_support.h"

namespace velmar {
namespace {

using board_commands::BoardNumber;
using testing_support::RecordingBoardLibrary;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string LogPath() {
    return velmar_testing::TempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           ".log";
}

TEST(SplitCommandLine, BoardTwoGetsItsFlagAsSecondWord) {
    const auto split = SplitCommandLine("mwr 0xfc0a08 0x3", BoardNumber::Second(), {});
    EXPECT_EQ(split.words, (std::vector<std::string>{"mwr", "-b2", "0xfc0a08", "0x3"}));
    EXPECT_EQ(SplitCommandLine("mquit", BoardNumber::First(), {}).words, std::vector<std::string>{"mquit"});
    EXPECT_TRUE(SplitCommandLine("  \t ", BoardNumber::Second(), {}).words.empty());
}

TEST(SplitCommandLine, FileWordKeepsTheRestOfTheLineAsWritten) {
    auto split = SplitCommandLine("mwcmd -i0B -F <my  clips/a b.mpg>  ", BoardNumber::First(), {});
    EXPECT_EQ(split.words, (std::vector<std::string>{"mwcmd", "-i0B", "-F", "<my  clips/a b.mpg>"}));
    // Already the last word: nothing to join.
    split = SplitCommandLine("mwcmd -F <a.mpg>", BoardNumber::First(), {});
    EXPECT_EQ(split.words.back(), "<a.mpg>");
    // The settings dialog's copy does not join.
    CommandLineLimits settings;
    settings.joinFileWord = false;
    EXPECT_EQ(SplitCommandLine("x <a b>", BoardNumber::First(), settings).words.size(), 3u);
}

TEST(SplitCommandLine, WordsAndSlotsAreBounded) {
    const std::string longWord(150, 'a');
    EXPECT_EQ(SplitCommandLine("mwr " + longWord, BoardNumber::First(), {}).words[1].size(), 99u);
    std::string many;
    for (int i = 0; i < 100; ++i) many += "w ";
    EXPECT_EQ(SplitCommandLine(many, BoardNumber::First(), {}).words.size(), 80u);
    EXPECT_EQ(SplitCommandLine(many, BoardNumber::Second(), {}).words.size(), 80u);
    CommandLineLimits record;
    record.wordSlots = 50;
    EXPECT_EQ(SplitCommandLine(many, BoardNumber::First(), record).words.size(), 50u);
    // A file name passes whole up to the board's 259 characters, joined or last, and is refused
    // rather than cut beyond.
    const std::string half(129, 'n');
    for (const std::string& name : {std::string(120, 'n'), std::string(259, 'n'), half + " " + half,
                                    std::string(260, 'n'), half + "  " + half}) {
        const auto split = SplitCommandLine("mwcmd -o0B <" + name + ">", BoardNumber::First(), {});
        const bool passes = name.size() <= 259;
        EXPECT_EQ(split.fileWordTooLong, !passes) << name.size();
        if (passes) {
            ASSERT_FALSE(split.words.empty());
            EXPECT_EQ(split.words.back(), "<" + name + ">");
        } else {
            EXPECT_TRUE(split.words.empty());
        }
    }
}

TEST(ExportForWord, ThirdCharacterCMeansTheCommandClient) {
    EXPECT_EQ(ExportForWord("mwcmd"), BoardExport::Mwcmd);
    EXPECT_EQ(ExportForWord("xxc"), BoardExport::Mwcmd);
    EXPECT_EQ(ExportForWord("mwrblk"), BoardExport::Mwrblk);
    EXPECT_EQ(ExportForWord("mrd"), BoardExport::Mrd);
    EXPECT_EQ(ExportForWord("mdaemon"), std::nullopt);
    EXPECT_EQ(ExportForWord("mw"), std::nullopt);
}

// The take-over at start-up is dispatched as a panel's "mquit" is, and leaves its line in the log.
TEST(SendTakeOverQuit, SendsThePanelsQuitLineAndLogsIt) {
    std::vector<std::string> logged;
    const auto previous = platform::SetLogSink([&](platform::LogLevel, const std::string& line) { logged.push_back(line); });
    RecordingBoardLibrary library;
    library.answer = [](const testing_support::RecordedCall&) { return 7; };
    EXPECT_EQ(SendTakeOverQuit(library, BoardNumber::First()), 7);
    SendTakeOverQuit(library, BoardNumber::Second());
    platform::SetLogSink(previous);
    ASSERT_EQ(library.calls.size(), 2u);
    EXPECT_EQ(library.calls[0].which, BoardExport::Mquit);
    EXPECT_EQ(library.calls[0].Joined(), "mquit");
    EXPECT_EQ(library.calls[1].Joined(), "mquit|-b2");
    EXPECT_EQ(logged, (std::vector<std::string>{"board 1 take-over: mquit", "board 2 take-over: mquit"}));
}

class BoardLinkTest : public ::testing::Test {
protected:
    RecordingBoardLibrary library;
    BoardWindow window = BoardWindow::Demo();
};

TEST_F(BoardLinkTest, DispatchesAndReturnsTheExportsResult) {
    BoardLink link(library, window, BoardNumber::Second(), LinkKind::Playback, false);
    library.answer = [](const testing_support::RecordedCall& call) {
        return call.which == BoardExport::Mrd ? 0x1234 : 1;
    };
    EXPECT_EQ(link.SendCommand("mrd 0xfc0a08"), 0x1234);
    EXPECT_EQ(link.SendCommand("mwcmd -p 0x0 0x960100"), 1);
    EXPECT_EQ(link.SendCommand("hello world"), 0);
    ASSERT_EQ(library.calls.size(), 2u);
    EXPECT_EQ(library.calls[0].Joined(), "mrd|-b2|0xfc0a08");
    EXPECT_EQ(library.calls[1].which, BoardExport::Mwcmd);
}

TEST_F(BoardLinkTest, PlaybackLogCarriesTheChannelCounters) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Playback, false);
    ASSERT_TRUE(link.Log().Open(LogPath()));
    window.Write32(window::kChannelAStatus + 4, 0x11);
    window.Write32(window::kChannelAStatus + 8, 0x22);
    window.Write32(window::kChannelBStatus + 8, 0xABCDEF01);
    link.SendCommand("mwr 0x40100 0x1234");
    link.SendCommand("unknown  words");  // logged although nothing is sent
    link.Log().Close();
    EXPECT_EQ(ReadFile(LogPath()),
              "00000011,00000022,abcdef01 mwr 0x40100 0x1234\n00000011,00000022,abcdef01 unknown  words\n");
}

TEST_F(BoardLinkTest, RecordLogCarriesTheTimecodeWithoutItsTopBit) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Record, false);
    ASSERT_TRUE(link.Log().Open(LogPath()));
    window.Write32(window::kRecordTimecode + 4, 0x80000123);
    link.SendCommand("mquit");
    link.Log().Close();
    EXPECT_EQ(ReadFile(LogPath()), "00000123 mquit\n");
}

TEST_F(BoardLinkTest, DemoModeLogsButNeverReachesTheBoard) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Playback, true);
    ASSERT_TRUE(link.Log().Open(LogPath()));
    EXPECT_EQ(link.SendCommand("mwr 0x40100 0x1"), 0);
    EXPECT_EQ(link.SendSettingsCommand("mwr 0x40100 0x1"), 0);
    link.StartDaemon();
    link.JoinDaemon();
    EXPECT_EQ(link.GetDaemonState(), DaemonState::Running);  // a demo service loop never ends the panel
    link.Log().Close();
    EXPECT_TRUE(library.calls.empty());
    EXPECT_NE(ReadFile(LogPath()).find("00000000,00000000,00000000 mdaemon -start -s 0x1000"), std::string::npos);
}

TEST_F(BoardLinkTest, SettingsCopyMatchesWholeWordsAndLogsOnlyTheUnmatched) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Playback, false);
    ASSERT_TRUE(link.Log().Open(LogPath()));
    window.Write32(window::kChannelAStatus + 4, 0x11);
    link.SendSettingsCommand("mwcmd -s 0xffffffff 0x00090005 <a b>");
    link.SendSettingsCommand("mwrx 1");
    link.Log().Close();
    ASSERT_EQ(library.calls.size(), 1u);
    EXPECT_EQ(library.calls[0].argv.size(), 6u);  // "<a" and "b>" stay apart
    EXPECT_EQ(ReadFile(LogPath()), "00000000,00000000,00000000 mwrx 1\n");
}

TEST_F(BoardLinkTest, DaemonThreadRunsTheServiceLoopAndReportsItsEnd) {
    BoardLink link(library, window, BoardNumber::Second(), LinkKind::Record, false);
    EXPECT_EQ(link.GetDaemonState(), DaemonState::NotStarted);
    link.StartDaemon();
    // StartDaemon returns only once the loop listens: commands sent next never find it missing.
    EXPECT_TRUE(library.ServiceLoopListening(BoardNumber::Second()));
    EXPECT_EQ(link.GetDaemonState(), DaemonState::Running);
    EXPECT_EQ(library.calls[0].Joined(),
              "mdaemon|-b2|-start|-s|0x400|0x400|0x400|0x400|0|0|0x500000|0x1800|0|0|0|0|0x200000|0xbdc0|0|0|0x2000");
    library.EndDaemon(10);
    link.JoinDaemon();
    EXPECT_EQ(link.GetDaemonState(), DaemonState::Ended);
    EXPECT_EQ(link.DaemonResult(), 10);

    // With no service loop left, stream commands go nowhere.
    EXPECT_EQ(link.SendCommand("mwcmd -U 0x5"), 0);
    EXPECT_EQ(library.calls.size(), 1u);
    link.SendCommand("mquit");
    EXPECT_EQ(library.calls.size(), 2u);
}

// A line the library refuses did nothing: the handler hears of it once, with the line and the
// cause, and the link goes on. A missing loop is such a failure only before this panel's loop ran;
// once it has run, its end is on its way to the panel, which closes without a box in its way.
TEST_F(BoardLinkTest, RefusedLinesReachTheHandlerOnceWithTheirCause) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Record, false);
    std::vector<std::string> failures;
    link.SetLineFailureHandler(
        [&](const std::string& line, const std::string& cause) { failures.push_back(line + " / " + cause); });
    library.refuse = [](const testing_support::RecordedCall& call) -> std::optional<CallRefusal> {
        if (call.argv[1] == "-b3") return CallRefusal{CallRefusal::Kind::BadArguments, "-b3 names no board"};
        if (call.which == BoardExport::Mwcmd) return CallRefusal{CallRefusal::Kind::NoServiceLoop, "no service loop"};
        return std::nullopt;
    };
    library.answer = [](const testing_support::RecordedCall&) { return 1; };
    EXPECT_EQ(link.SendCommand("mwr -b3 0x0 0x0"), 0);
    EXPECT_EQ(link.SendCommand("mwr 0x40100 0x1"), 1);
    EXPECT_EQ(link.SendCommand("mwcmd -p 0x0 0x9e0000"), 0);
    link.StartDaemon();
    EXPECT_EQ(link.SendCommand("mwcmd -p 0x0 0x9e0000"), 0);  // the loop ran and is ending
    library.EndDaemon(1);
    link.JoinDaemon();
    EXPECT_EQ(failures, (std::vector<std::string>{"mwr -b3 0x0 0x0 / -b3 names no board",
                                                  "mwcmd -p 0x0 0x9e0000 / no service loop"}));
}

TEST_F(BoardLinkTest, UnwritableLogFileIsReported) {
    BoardLink link(library, window, BoardNumber::First(), LinkKind::Playback, false);
    EXPECT_FALSE(link.Log().Open("/nonexistent-folder/x.log"));
    EXPECT_FALSE(link.Log().IsOpen());
    link.SendCommand("mquit");  // no log, no harm
}

}  // namespace
}  // namespace velmar
