#include "platform/kernel.h"

#include <chrono>
#include <climits>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

void SleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
void SleepUs(int microseconds) { std::this_thread::sleep_for(std::chrono::microseconds(microseconds)); }

std::int64_t PerformanceCounter() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first{}, second{};
    if (a.empty() || b.empty() || ::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void RemoveIncompleteOutput(const std::string& path) {
    struct stat info{};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    ::unlink(path.c_str());
}

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return ".";
    std::string full(path, static_cast<std::size_t>(n));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? "." : full.substr(0, slash);
}

std::string ResolveProgram(std::string_view program) {
    std::string path(program);
    if (path.empty() || path.find('/') != std::string::npos) return path;
    const std::string beside = ExecutableDirectory() + "/" + path;
    return ::access(beside.c_str(), X_OK) == 0 ? beside : path;
}

namespace {
// Set only by tests that lay out a run directory of their own; read from any thread.
std::mutex runDirectoryLock;
std::string runDirectoryOverride;

std::string RunDirectory() {
    {
        std::lock_guard lock(runDirectoryLock);
        if (!runDirectoryOverride.empty()) return runDirectoryOverride;
    }
    return ExecutableDirectory() + "/../run";
}
}  // namespace

void SetRunDirectoryForTesting(const std::string& directory) {
    std::lock_guard lock(runDirectoryLock);
    runDirectoryOverride = directory;
}

std::string DataFilePath(const std::string& name) {
    if (name.empty() || name[0] == '/' || ::access(name.c_str(), R_OK) == 0) return name;
    const std::string beside = RunDirectory() + "/" + name;
    return ::access(beside.c_str(), R_OK) == 0 ? beside : name;
}

bool StartProgram(std::string_view program, const std::vector<std::string>& arguments) {
    std::string path = ResolveProgram(program);
    std::vector<std::string> words{path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    const int failed = path.find('/') == std::string::npos
                           ? ::posix_spawnp(&child, path.c_str(), nullptr, nullptr, argv.data(), environ)
                           : ::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ);
    return failed == 0;
}

bool ConsoleKeyPressed(char key) {
    if (!::isatty(STDIN_FILENO) || ::tcgetpgrp(STDIN_FILENO) != ::getpgrp()) return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    bool pressed = false;
    while (::poll(&input, 1, 0) > 0 && (input.revents & POLLIN)) {
        char c;
        if (::read(STDIN_FILENO, &c, 1) != 1) break;
        pressed = pressed || c == key;
    }
    return pressed;
}

std::string NormalizePath(std::string_view path) {
    std::string normal(path);
    for (char& c : normal)
        if (c == '\\') c = '/';
    return normal;
}

}  // namespace platform
