// The output writer: names that fit wherever the destination's does, modes and permissions as a
// plain open would keep and check them, and temporaries that neither a signal nor a killed run
// leave for good.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/replacing_file.h"
#include "velmar_testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::ReplacingFile;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Replace(const std::string& path, const std::string& text) {
    ReplacingFile file;
    return file.Open(path) && file.Write(text.data(), text.size()) && file.Commit();
}

TEST(ReplacingFile, LongNamesAndTheModeOfAReplacedFile) {
    const std::string dir = velmar_testing::TempDir() + "/modes";
    fs::create_directories(dir);
    // The longest legal name: the temporary beside it must still be a legal name.
    const std::string longName = dir + "/" + std::string(255, 'n');
    EXPECT_TRUE(Replace(longName, "long"));
    EXPECT_EQ(Contents(longName), "long");

    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0755), mode_t(0444)}) {
        const std::string path = dir + "/m" + std::to_string(mode);
        WriteText(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        // As root a 0444 file is writable by a plain open too, and so replaced; otherwise refused.
        const bool writable = access(path.c_str(), W_OK) == 0;
        EXPECT_EQ(Replace(path, "new"), writable) << std::oct << mode;
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(Contents(path), writable ? "new" : "old") << std::oct << mode;
    }
    EXPECT_EQ(Names(dir).size(), 5u);  // no temporary left
}

// Another user's read-only file in a folder the caller may write: the rename could replace it, a
// plain open could not write it, so neither may the writer.
TEST(ReplacingFile, AFileTheCallerMayNotWriteIsRefused) {
    char pattern[] = "/tmp/velmar-replacing-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    ASSERT_EQ(chmod(dir.c_str(), 01777), 0);
    const std::string path = dir + "/theirs";
    WriteText(path, "theirs");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root writes anything: the test takes an ordinary user's part.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        ReplacingFile file;
        _exit(file.Open(path) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Contents(path), "theirs");
    fs::remove_all(dir);
}

TEST(ReplacingFile, TemporariesOfEndedProcessesAreRemovedByTheNextRun) {
    const std::string dir = velmar_testing::TempDir() + "/stale";
    fs::create_directories(dir);
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    auto temporaryOf = [](pid_t pid) {
        char name[64];
        std::snprintf(name, sizeof name, ".velmar-%010d-%08x.tmp", int(pid), 3u);
        return std::string(name);
    };
    const std::string stale = temporaryOf(ended), live = temporaryOf(getppid());
    for (const std::string& name : {stale, live, std::string(".velmar-notes"), std::string("clip.mpg")})
        WriteText(dir + "/" + name, "x");
    ReplacingFile file;
    ASSERT_TRUE(file.Open(dir + "/clip.mpg"));
    std::vector<std::string> names = Names(dir);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::count(names.begin(), names.end(), stale), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), live), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".velmar-notes"), 1);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return platform::IsTemporaryOfProcess(n, getpid()); }),
              1);
    file.Discard();
    EXPECT_EQ(Contents(dir + "/clip.mpg"), "x");  // a failed run removes only its own temporary
    EXPECT_EQ(Names(dir).size(), 3u);
}

TEST(ReplacingFile, InterruptingAProgramRemovesItsTemporaries) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const std::string dir = velmar_testing::TempDir() + "/signal" + std::to_string(signal);
        fs::create_directories(dir);
        WriteText(dir + "/a.mpg", "old");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::RemoveTemporariesOnSignals();
            ReplacingFile a, b;
            if (!a.Open(dir + "/a.mpg") || !b.Open(dir + "/b.wav") || !a.Write("new", 3)) _exit(2);
            raise(signal);
            _exit(3);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Names(dir), std::vector<std::string>{"a.mpg"});
        EXPECT_EQ(Contents(dir + "/a.mpg"), "old");
    }
}

}  // namespace
