#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "velmar_testing/test_support.h"

namespace {

TEST(Kernel, PathsAndCounter) {
    EXPECT_EQ(platform::NormalizePath("ucode\\ppdecMain.ux"), "ucode/ppdecMain.ux");
    const auto before = platform::PerformanceCounter();
    platform::SleepMs(20);
    const auto elapsed = platform::PerformanceCounter() - before;
    EXPECT_GE(elapsed, 19 * platform::kPerformanceFrequency / 1000);
}

TEST(Kernel, StartProgramDoesNotWait) {
    const std::string marker = velmar_testing::TempDir() + "/started";
    ASSERT_TRUE(platform::StartProgram("/bin/sh", {"-c", "sleep 0.2; touch " + marker}));
    EXPECT_FALSE(std::filesystem::exists(marker));
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) platform::SleepMs(20);
    EXPECT_TRUE(std::filesystem::exists(marker));
    EXPECT_FALSE(platform::StartProgram("/no/such/program", {}));
}

TEST(Kernel, ConsoleKeyIsIgnoredWithoutATerminal) {
    // Even with a 'q' waiting on stdin: only a terminal's key counts.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ASSERT_EQ(write(pipeFds[1], "q", 1), 1);
    const int savedStdin = dup(STDIN_FILENO);
    dup2(pipeFds[0], STDIN_FILENO);
    EXPECT_FALSE(platform::ConsoleKeyPressed('q'));
    dup2(savedStdin, STDIN_FILENO);
    close(savedStdin);
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(Kernel, AFailedRunRemovesItsFileButNoPipeItWroteInto) {
    namespace fs = std::filesystem;
    const std::string dir = velmar_testing::TempDir();
    std::ofstream(dir + "/cut.mpg") << "part";
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
    platform::RemoveIncompleteOutput(dir + "/cut.mpg");
    platform::RemoveIncompleteOutput(dir + "/pipe");
    EXPECT_FALSE(fs::exists(dir + "/cut.mpg"));
    EXPECT_TRUE(fs::is_fifo(dir + "/pipe"));
}

TEST(HostHooks, MessagesGoThroughTheInstalledHook) {
    std::string seen;
    auto previousBox = platform::SetMessageBoxHook(
        [&](const std::string& text, const std::string& caption, platform::MessageButtons, platform::MessageIcon) {
            seen = caption + ":" + text;
            return platform::MessageAnswer::No;
        });
    EXPECT_EQ(platform::ShowMessageBox("File Error!", "Velmar Error", platform::MessageButtons::YesNo),
              platform::MessageAnswer::No);
    EXPECT_EQ(seen, "Velmar Error:File Error!");
    platform::SetMessageBoxHook(previousBox);
}

}  // namespace
