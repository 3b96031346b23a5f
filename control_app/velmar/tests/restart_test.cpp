// A restart as operators do it: a second Velmar for the same board ends the first one's service
// loop with its "mquit", the first one closes, and the second one takes over the board.
#include <gtest/gtest.h>

#include "program_runner.h"

namespace {

using namespace std::chrono_literals;
using namespace program_runner;

// Whether scripts/run would see a Velmar drive board 1: by the board's instance lock, whatever the
// Velmar's command line.
bool RunScriptSeesBoardHeld() {
    return velmar_testing::RunCommand(std::string("bash -c '. ") + VELMAR_SOURCE_DIR +
                                      "/scripts/velmar-instances.sh && velmar_holds_board 1'") == 0;
}

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
    EXPECT_TRUE(RunScriptSeesBoardHeld()) << "a Velmar started another way holds the board unseen";

    Stop(second);
    Stop(first);
    EXPECT_FALSE(RunScriptSeesBoardHeld()) << "the board reads as held after its Velmar ended";
    Stop(board);
}

// Two instances started at the same moment on one board: exactly one stays and serves it.
TEST(Restart, TwoInstancesStartedTogetherLeaveExactlyOne) {
    const std::string bin = velmar_testing::BinDir();
    const std::string ini = velmar_testing::TempDir() + "/TOGETHER.INI";
    std::ofstream(ini) << "[BOARD1]\n";
    const std::string boardLog = velmar_testing::TempDir() + "/together-board.log";
    const pid_t board = Start({bin + "/softboard", "-b", "1", "-v"}, {}, boardLog);
    ASSERT_TRUE(WaitForText(boardLog, "ready", 60s)) << "the software board never came up";

    pid_t instances[2];
    for (int i = 0; i < 2; ++i)
        instances[i] = Start({bin + "/Velmar", "-1", "-mp"}, ini,
                             velmar_testing::TempDir() + "/together-" + std::to_string(i) + ".txt");
    // One of them ends; the other takes the board and stays.
    int ended = -1;
    for (auto until = std::chrono::steady_clock::now() + 90s; ended < 0 && std::chrono::steady_clock::now() < until;)
        for (int i = 0; i < 2 && ended < 0; ++i)
            if (WaitExit(instances[i], 50ms) != -1) ended = i;
    ASSERT_GE(ended, 0) << "both instances stayed up on one board";
    const pid_t survivor = instances[1 - ended];
    EXPECT_TRUE(Answers(60s)) << "the remaining instance does not serve the board";
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(WaitExit(survivor, 0ms), -1) << "the remaining instance ended as well";

    Stop(survivor);
    Stop(board);
}

}  // namespace
