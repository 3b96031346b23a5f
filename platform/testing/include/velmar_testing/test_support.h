// Helpers for the project's tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace velmar_testing {

// The shared material beside the checkout (conformance streams), the build's run directory and
// its program directory.
std::string SharedDir();
std::string RunDir();
std::string BinDir();

// A fresh directory for the running test (for the process outside a test), removed when the
// process ends.
std::string TempDir();

// Removes the shared memory objects and local sockets whose names start with `prefix`: what the
// process and the programs it started left behind.
void RemoveSharedObjects(const std::string& prefix);

// Runs `body` in a child process that cannot write files past `bytes` (a full disk as the writer
// sees it: writes beyond fail with EFBIG); true when the body returned true there.
bool RunWithFileSizeLimit(unsigned long long bytes, const std::function<bool()>& body);

// For a forked child, first thing: it is killed when the test process that forked it (`parent`)
// ends, so a test killed by its time limit leaves no board or holder running behind it.
void EndWithParent(int parent);

// True under CI ($CI set): missing tools and data are failures there, never skips.
bool InCi();

// Whether an outside program (ffmpeg, mpg123, ...) is on PATH.
bool HaveTool(const std::string& name);

// Runs a shell command; returns its exit status and collects its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace velmar_testing

// Skips the test outside CI when `tool` is missing; fails it in CI.
#define VELMAR_REQUIRE_TOOL(tool)                                                     \
    do {                                                                              \
        if (!::velmar_testing::HaveTool(tool)) {                                      \
            if (::velmar_testing::InCi()) FAIL() << "required tool missing: " << tool; \
            GTEST_SKIP() << "tool not installed: " << tool;                           \
        }                                                                             \
    } while (0)

// Skips the test outside CI when a file of the shared material is missing; fails it in CI.
#define VELMAR_REQUIRE_SHARED_FILE(path)                                                   \
    do {                                                                                   \
        if (!::velmar_testing::FileExists(path)) {                                         \
            if (::velmar_testing::InCi()) FAIL() << "shared material missing: " << (path); \
            GTEST_SKIP() << "shared material not present: " << (path);                     \
        }                                                                                  \
    } while (0)

namespace velmar_testing {
bool FileExists(const std::string& path);
}
