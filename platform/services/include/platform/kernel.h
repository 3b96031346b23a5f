// Kernel services the programs call: sleeping, the performance counter, starting programs,
// the console key check and file names written the Windows way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

void SleepMs(int milliseconds);
void SleepUs(int microseconds);

// A monotonic counter and its rate; the rate is one tick per microsecond.
std::int64_t PerformanceCounter();
inline constexpr std::int64_t kPerformanceFrequency = 1'000'000;

// Starts a program without waiting for it. A bare name ("Velmar") is looked up beside the running
// executable first, then on PATH. Returns false when it could not be started.
bool StartProgram(std::string_view program, const std::vector<std::string>& arguments);

// The directory of the running executable.
std::string ExecutableDirectory();

// The path to start `program` by: a bare name ("Velmar") names the program beside the running
// executable when there is one there, as the programs of one build are started from one
// directory that need not be on PATH; anything else is returned unchanged.
std::string ResolveProgram(std::string_view program);

// Where a data file the programs open by name ("huffdec", "ucode/...") lies: the name itself when
// it opens from the current directory, else the build's run directory beside the program's bin
// (<bin>/../run/<name>) when it is there, so that the programs work from any directory.
std::string DataFilePath(const std::string& name);

// Tests that need a program whose run directory holds (or lacks) given files lay one out and name
// it here in place of <bin>/../run; an empty name restores the program's own.
void SetRunDirectoryForTesting(const std::string& directory);

// True when stdin is a terminal of the foreground process group and `key` has been typed.
bool ConsoleKeyPressed(char key);

// True when both names reach one existing file (same device and inode, links followed), whatever
// their spelling. An output that is one of a run's inputs is refused with this before it is opened.
bool IsSameFile(const std::string& a, const std::string& b);

// Removes what a failed run wrote at `path`, so that it cannot pass for a whole output; a device
// or a pipe the run wrote into (/dev/null, a FIFO) stays, as it is not the run's to remove.
void RemoveIncompleteOutput(const std::string& path);

// File names arrive with '\' separators; this system's files use '/'.
std::string NormalizePath(std::string_view path);

}  // namespace platform
