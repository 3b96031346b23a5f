// Running the system's programs from a test: the software board and Velmar instances in the run
// directory, offscreen, each with its own "VELMAR.INI" when asked.
#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "velmar_testing/test_support.h"

namespace program_runner {

using namespace std::chrono_literals;

// Starts a program; `ini` is its own "VELMAR.INI", `output` a file for its console output.
inline pid_t Start(const std::vector<std::string>& words, const std::string& ini = {},
                   const std::string& output = {}) {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        velmar_testing::EndWithParent(parent);
        if (!output.empty()) {
            const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                dup2(fd, STDOUT_FILENO);
                dup2(fd, STDERR_FILENO);
                close(fd);
            }
        }
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
inline int WaitExit(pid_t child, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(50ms);
    }
    return -1;
}

inline void Stop(pid_t child) {
    if (WaitExit(child, 0ms) != -1) return;
    kill(child, SIGTERM);
    if (WaitExit(child, 5000ms) == -1) {
        kill(child, SIGKILL);
        WaitExit(child, 5000ms);
    }
}

// Whether the Velmar of board 1 answers an echo within `limit`.
inline bool Answers(std::chrono::milliseconds limit) {
    const std::string remote = velmar_testing::BinDir() + "/velmar-remote -b 1 0x406 0 77 2>/dev/null";
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        std::string out;
        if (velmar_testing::RunCommand(remote, &out) == 0 && out == "77 (0x4d)\n") return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Waits until `text` appears in the file at `path` (a program's log or console output); false
// after `limit`. Tests wait on what a program wrote, never for a fixed time.
inline bool WaitForText(const std::string& path, const std::string& text, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (ReadText(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// The last line of a playback panel's start-up in its command log.
inline constexpr const char* kLastStartUpLine = " mwcmd -p 0x0 0x900F05";

// An operator restarts a panel that is up: wait until the first instance's command log has
// stopped growing, its start-up done.
inline bool StartUpFinished(const std::string& log, std::chrono::milliseconds limit) {
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

}  // namespace program_runner
