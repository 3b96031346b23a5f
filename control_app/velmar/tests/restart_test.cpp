// A restart as operators do it: a second Velmar for the same board ends the first one's service
// loop with its "mquit", the first one closes, and the second one takes over the board.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "velmar_testing/test_support.h"

namespace {

using namespace std::chrono_literals;

pid_t Start(const std::vector<std::string>& words, const std::string& ini = {}) {
    const pid_t child = fork();
    if (child == 0) {
        if (!ini.empty()) setenv("VELMAR_INI", ini.c_str(), 1);
        if (chdir(velmar_testing::RunDir().c_str()) != 0) _exit(127);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // fontconfig's caches live until exit; they are not ours to report.
        if (!getenv("LSAN_OPTIONS")) setenv("LSAN_OPTIONS", "suppressions=" VELMAR_LSAN_SUPPRESSIONS, 1);
        std::vector<char*> argv;
        for (const auto& word : words) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// The exit code, or -1 when the process is still running after `limit`.
int WaitExit(pid_t child, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(50ms);
    }
    return -1;
}

void Stop(pid_t child) {
    if (WaitExit(child, 0ms) != -1) return;
    kill(child, SIGTERM);
    if (WaitExit(child, 5000ms) == -1) {
        kill(child, SIGKILL);
        WaitExit(child, 5000ms);
    }
}

// Whether the Velmar of board 1 answers an echo within `limit`.
bool Answers(std::chrono::milliseconds limit) {
    const std::string remote = velmar_testing::BinDir() + "/velmar-remote -b 1 0x406 0 77 2>/dev/null";
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        std::string out;
        if (velmar_testing::RunCommand(remote, &out) == 0 && out == "77\n") return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

std::uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// An operator restarts a panel that is up: wait until the first instance's command log has
// stopped growing, its start-up done.
bool StartUpFinished(const std::string& log, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::uintmax_t last = 0;
    int quietTicks = 0;
    while (std::chrono::steady_clock::now() < end) {
        const auto size = SizeOf(log);
        quietTicks = size == last && size > 0 ? quietTicks + 1 : 0;
        last = size;
        if (quietTicks >= 10) return true;
        std::this_thread::sleep_for(200ms);
    }
    return false;
}

TEST(Restart, TheNewInstanceEndsTheOldOnesServiceLoopAndTakesOver) {
    const std::string bin = velmar_testing::BinDir();
    const std::string firstIni = velmar_testing::TempDir() + "/FIRST.INI";
    const std::string firstLog = velmar_testing::TempDir() + "/first.log";
    std::ofstream(firstIni) << "[BOARD1]\nLOGFILE=" << firstLog << "\n";

    const pid_t board = Start({bin + "/softboard", "-b", "1"});
    std::this_thread::sleep_for(300ms);
    const pid_t first = Start({bin + "/Velmar", "-1", "-mp"}, firstIni);
    ASSERT_TRUE(Answers(10s)) << "the first instance never served its board";
    ASSERT_TRUE(StartUpFinished(firstLog, 30s)) << "the first instance never finished its start-up";
    ASSERT_EQ(WaitExit(first, 0ms), -1) << "the first instance ended on its own";

    const pid_t second = Start({bin + "/Velmar", "-1 -mp -\" 0x40 0x20 0x300 0x400 0 \""});
    const int firstExit = WaitExit(first, 15s);
    EXPECT_EQ(firstExit, 0) << "the first instance did not close after the second one's mquit";
    EXPECT_TRUE(Answers(10s)) << "the second instance does not serve the board";
    EXPECT_EQ(WaitExit(second, 0ms), -1) << "the second instance ended";

    Stop(second);
    Stop(first);
    Stop(board);
}

}  // namespace
