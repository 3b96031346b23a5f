// The one output writer of every tool: a file written under a temporary name in its own folder
// and renamed onto its name only once it is complete, so a failed, cancelled, killed or concurrent
// run leaves what was there before (or nothing), never a mixed or cut file; a link at the name is
// replaced rather than written through. A replaced file keeps its mode, and a file the caller could
// not open for writing is refused, as a plain open would refuse it. A device or a pipe at the name
// (/dev/null, a FIFO another program reads) is written directly; a pipe nobody reads is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace platform {

// Writes all bytes to a file descriptor, retrying short and interrupted writes; false on failure.
bool WriteAll(int fd, const void* data, std::size_t size);

// For programs, called once at their start (a library never installs signal handlers): SIGINT,
// SIGTERM, SIGHUP and SIGXFSZ then remove the temporary files of the runs in progress before the
// process ends by that signal.
void RemoveTemporariesOnSignals();

// Whether `name` (a file name without folder) is the temporary file of a run of process `pid`.
bool IsTemporaryOfProcess(const std::string& name, int pid);

// Whether `output` names one of `inputs` (by identity, links followed: another spelling, a link):
// putting it in place would take that input away, so the writer refuses it.
bool OutputIsAnInput(const std::string& output, std::initializer_list<std::string> inputs);

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { Discard(); }
    ReplacingFile(ReplacingFile&& other) noexcept;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file beside `path`; false when it cannot be, when the file at `path`
    // may not be written by the caller, or when `path` already names an input (a file the run
    // reads: OutputIsAnInput); errno then says why. Temporaries that runs of
    // ended processes left in that folder (killed with no chance to clean up) are removed first.
    bool Open(const std::string& path, std::initializer_list<std::string> inputs);
    bool Open(const std::string& path, const std::string& input = {}) { return Open(path, {input}); }
    bool IsOpen() const { return fd_ >= 0; }
    // True when all bytes were written.
    bool Write(const void* data, std::size_t size);
    // Rewrites bytes already written (a header completed at the end); false on a pipe or device.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    // Closes the temporary file and renames it onto the name; false, with the temporary file
    // removed and errno set, when either fails.
    bool Commit();
    // Removes the temporary file (nothing once committed).
    void Discard();

private:
    int fd_ = -1;
    std::string path_;
    std::string temporary_;
};

// Held while a run puts in place outputs that belong together (a stream and its index, the
// streams of one demultiplexing): runs that write the same names at once then each put all of
// theirs in place in turn, so the names end up holding one run's files, never some of each. It
// locks the folder of `path` (flock), waiting at most a few seconds for another run's renames.
class OutputGroupLock {
public:
    explicit OutputGroupLock(const std::string& path);
    ~OutputGroupLock();
    OutputGroupLock(const OutputGroupLock&) = delete;
    OutputGroupLock& operator=(const OutputGroupLock&) = delete;

    // False when the folder could not be locked; the group must not be put in place then.
    bool Held() const { return fd_ >= 0; }
    // Why it is not held, naming `path`'s folder.
    const std::string& Problem() const { return problem_; }

private:
    int fd_ = -1;
    std::string problem_;
};

}  // namespace platform
