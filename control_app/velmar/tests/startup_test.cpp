// The playback panel brought up against the software board: what the panel logs and what the
// board reports it was told must be the start-up sequence.
#include <gtest/gtest.h>

#include "program_runner.h"

namespace {

using namespace std::chrono_literals;
using namespace program_runner;

// Each of `expected` appears in `text`, in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& expected, const char* what) {
    std::size_t at = 0;
    for (const auto& line : expected) {
        const auto found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << what << " lacks, in order: " << line << "\n" << text;
        at = found + line.size();
    }
}

TEST(PlaybackStartUp, BringsTheSoftwareBoardUp) {
    const std::string bin = velmar_testing::BinDir();
    const std::string dir = velmar_testing::TempDir();
    const std::string ini = dir + "/STARTUP.INI", log = dir + "/startup.log", boardLog = dir + "/board.log";
    std::ofstream(ini) << "[BOARD1]\nLOGFILE=" << log << "\n";

    const pid_t board = Start({bin + "/softboard", "-b", "1", "-v"}, {}, boardLog);
    const bool boardUp = WaitForText(boardLog, "ready", 60s);
    const pid_t velmar = boardUp ? Start({bin + "/Velmar", "-1", "-mp"}, ini) : -1;
    // Both sides have gone through the whole start-up once its last words are in both logs.
    const bool finished = boardUp && WaitForText(log, kLastStartUpLine, 120s) &&
                          WaitForText(boardLog, "command 0x90 stream 15", 60s);
    const bool running = velmar > 0 && WaitExit(velmar, 0ms) == -1;
    if (velmar > 0) Stop(velmar);
    Stop(board);
    ASSERT_TRUE(boardUp) << "the software board never came up";
    ASSERT_TRUE(finished) << "no start-up in the command log";
    EXPECT_TRUE(running) << "Velmar ended during its start-up";

    ExpectInOrder(ReadText(log),
                  {" mquit\n", " mreset\n", " mwrblk -fill 0x0 0x40000 0x4003f\n", " mld -first ucode\\ppdecMain.ux\n",
                   " mwr 0x40038 0x1\n", " mwr 0x410c0 0x0\n", " mwr 0x411c0 0x0\n", " mdaemon -start -s 0x1000",
                   " mwcmd -p 0x0 0xd0307  0x01010000 0x01000100", "0x003203E8", "0x003403E8", "0x003e03E8",
                   " mwcmd -p 0x0 0x900F05 0x1000000  0x00000000 0x00000000 0x108080 0x0\n"},
                  "the command log");
    ExpectInOrder(ReadText(boardLog),
                  {"reset", "microcode: decoder", "write 0x40038 <- 0x1", "started: interrupts",
                   "command 0xD stream 3: 0x1010000 0x1000100", "command 0x9 stream 0: 0x1020001 0x3203E8",
                   "command 0x90 stream 15: 0x1000000 0x0 0x0 0x108080"},
                  "the board's log");
}

}  // namespace

namespace {

// The record panel answers a controller as the frame does for either panel: the play-list
// requests are taken (and left alone), the status is 2, the position 0, the echo its number.
TEST(RecordStartUp, AnswersAControllingProgram) {
    const std::string bin = velmar_testing::BinDir();
    const std::string dir = velmar_testing::TempDir();
    const std::string ini = dir + "/RECORD.INI", boardLog = dir + "/board.log";
    std::ofstream(ini) << "[BOARD1]\n";
    const pid_t board = Start({bin + "/softboard", "-b", "1", "-v"}, {}, boardLog);
    const bool boardUp = WaitForText(boardLog, "ready", 60s);
    const pid_t velmar = boardUp ? Start({bin + "/Velmar", "-1", "-mr"}, ini) : -1;
    const bool answers = boardUp && Answers(60s);
    const struct {
        const char* request;
        const char* answer;
    } cases[] = {{"0x401 2 250", "1 (0x1)\n"}, {"0x402 0 0", "2 (0x2)\n"}, {"0x403 1 0", "1 (0x1)\n"},
                 {"0x404 0 0", "0 (0x0)\n"}, {"0x405 0 0", "2 (0x2)\n"}};
    std::vector<std::string> answered;
    for (const auto& c : cases) {
        std::string out;
        if (answers) velmar_testing::RunCommand(bin + "/velmar-remote -b 1 " + c.request, &out);
        answered.push_back(out);
    }
    if (velmar > 0) Stop(velmar);
    Stop(board);
    ASSERT_TRUE(boardUp) << "the software board never came up";
    ASSERT_TRUE(answers) << "the record panel does not serve its board";
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(answered[i], cases[i].answer) << cases[i].request;
}

// SIGTERM ends the record panel as closing its window does: the panel ends its service loop and
// the program returns 0 rather than dying under a recording.
TEST(RecordStartUp, TerminateClosesTheFrameInOrder) {
    const std::string bin = velmar_testing::BinDir();
    const std::string dir = velmar_testing::TempDir();
    const std::string ini = dir + "/RECORD.INI", boardLog = dir + "/board.log";
    std::ofstream(ini) << "[BOARD1]\n";
    const pid_t board = Start({bin + "/softboard", "-b", "1", "-v"}, {}, boardLog);
    const bool boardUp = WaitForText(boardLog, "ready", 60s);
    const pid_t velmar = boardUp ? Start({bin + "/Velmar", "-1", "-mr"}, ini, dir + "/velmar.log") : -1;
    // Once its service loop runs: the panel has brought the board up.
    const bool answers = boardUp && WaitForText(dir + "/velmar.log", "QR started", 60s) && Answers(60s);
    int code = -2;
    if (answers) {
        kill(velmar, SIGTERM);
        code = WaitExit(velmar, 30s);
    }
    if (velmar > 0) Stop(velmar);
    Stop(board);
    ASSERT_TRUE(boardUp) << "the software board never came up";
    ASSERT_TRUE(answers) << "the record panel does not serve its board";
    EXPECT_EQ(code, 0) << "128: ended by the signal; -1: still running\n" << ReadText(dir + "/velmar.log");
}

// Help is printed and the program ends without a window or a board.
TEST(PlaybackStartUp, HelpPrintsTheArgumentsAndTouchesNoBoard) {
    const std::string bin = velmar_testing::BinDir();
    const std::string out = velmar_testing::TempDir() + "/help.txt";
    const pid_t help = program_runner::Start({bin + "/Velmar", "--help"}, {}, out);
    EXPECT_EQ(program_runner::WaitExit(help, std::chrono::seconds(20)), 0);
    EXPECT_NE(program_runner::ReadText(out).find("usage: Velmar [-1|-2] [-mp|-mr]"), std::string::npos)
        << program_runner::ReadText(out);
}

}  // namespace
