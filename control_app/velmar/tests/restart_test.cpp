// A restart as operators do it: a second Velmar for the same board ends the first one's service
// loop with its "mquit", the first one closes, and the second one takes over the board.
#include <gtest/gtest.h>

#include "program_runner.h"

namespace {

using namespace std::chrono_literals;
using namespace program_runner;

TEST(Restart, TheNewInstanceEndsTheOldOnesServiceLoopAndTakesOver) {
    const std::string bin = velmar_testing::BinDir();
    const std::string firstIni = velmar_testing::TempDir() + "/FIRST.INI";
    const std::string firstLog = velmar_testing::TempDir() + "/first.log";
    std::ofstream(firstIni) << "[BOARD1]\nLOGFILE=" << firstLog << "\n";

    const std::string boardLog = velmar_testing::TempDir() + "/board.log";
    const pid_t board = Start({bin + "/softboard", "-b", "1", "-v"}, {}, boardLog);
    ASSERT_TRUE(WaitForText(boardLog, "ready", 60s)) << "the software board never came up";
    const pid_t first = Start({bin + "/Velmar", "-1", "-mp"}, firstIni);
    ASSERT_TRUE(Answers(60s)) << "the first instance never served its board";
    ASSERT_TRUE(WaitForText(firstLog, kLastStartUpLine, 120s) && StartUpFinished(firstLog, 60s))
        << "the first instance never finished its start-up";
    ASSERT_EQ(WaitExit(first, 0ms), -1) << "the first instance ended on its own";

    const pid_t second = Start({bin + "/Velmar", "-1 -mp -\" 0x40 0x20 0x300 0x400 0 \""});
    const int firstExit = WaitExit(first, 60s);
    EXPECT_EQ(firstExit, 0) << "the first instance did not close after the second one's mquit";
    EXPECT_TRUE(Answers(60s)) << "the second instance does not serve the board";
    EXPECT_EQ(WaitExit(second, 0ms), -1) << "the second instance ended";

    Stop(second);
    Stop(first);
    Stop(board);
}

}  // namespace
