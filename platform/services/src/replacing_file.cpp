#include "platform/replacing_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "platform/kernel.h"

namespace platform {
namespace {

// ".velmar-<pid>-<n>.tmp", fixed length whatever the destination's name, so that it fits wherever
// the name does; the process id lets a later run tell a stale temporary from a live one.
constexpr char kTemporaryFormat[] = ".velmar-%010d-%08x.tmp";
constexpr std::size_t kTemporaryNameLength = 31;
// Another run holds a group's folder only while it renames a few files.
constexpr auto kGroupLockWait = std::chrono::seconds(10);

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    char name[kTemporaryNameLength + 1];
    std::snprintf(name, sizeof name, kTemporaryFormat, int(::getpid()), counter++);
    return FolderOf(path) + name;
}

// Temporaries of processes that no longer exist (killed with -9, a power cut) are removed once per
// folder and process, before the first temporary of this process goes there.
void RemoveStaleTemporaries(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        std::lock_guard guard(lock);
        if (!swept.insert(folder).second) return;
    }
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        int pid = 0;
        unsigned n = 0;
        char rest = 0;
        if (std::strlen(entry->d_name) != kTemporaryNameLength ||
            std::sscanf(entry->d_name, ".velmar-%d-%x.tm%c", &pid, &n, &rest) != 3 || rest != 'p' || pid <= 0 ||
            pid == ::getpid())
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// The temporaries alive now, for the signal handler: fixed slots it can read without allocating.
// A slot is free (0), being filled or emptied (1), or names a live temporary (2).
struct LiveSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
std::array<LiveSlot, 64> liveTemporaries;

void Register(const std::string& temporary) {
    if (temporary.size() >= PATH_MAX) return;  // then only the stale sweep removes it after a signal
    for (LiveSlot& slot : liveTemporaries) {
        int expected = 0;
        if (!slot.state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(slot.path, temporary.c_str(), temporary.size() + 1);
        slot.state.store(2);
        return;
    }
}

void Unregister(const std::string& temporary) {
    for (LiveSlot& slot : liveTemporaries) {
        if (slot.state.load() != 2 || temporary != slot.path) continue;
        int expected = 2;
        if (slot.state.compare_exchange_strong(expected, 1)) slot.state.store(0);
        return;
    }
}

extern "C" void RemoveTemporariesAndEnd(int signal) {
    const int saved = errno;
    for (LiveSlot& slot : liveTemporaries)
        if (slot.state.load() == 2) ::unlink(slot.path);
    errno = saved;
    // The handler was reset to the default one: the signal ends the process as it would have.
    ::raise(signal);
}

}  // namespace

bool IsTemporaryOfProcess(const std::string& name, int pid) {
    char expected[kTemporaryNameLength + 1];
    std::snprintf(expected, sizeof expected, kTemporaryFormat, pid, 0u);
    return name.size() == kTemporaryNameLength && name.compare(0, 19, expected, 19) == 0 &&
           name.compare(27, 4, ".tmp") == 0;
}

void RemoveTemporariesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction previous {};
        // A signal the caller's parent made the program ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), temporary_(std::move(other.temporary_)) {
    other.fd_ = -1;
    other.temporary_.clear();
}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        temporary_ = std::move(other.temporary_);
        other.fd_ = -1;
        other.temporary_.clear();
    }
    return *this;
}

bool OutputIsAnInput(const std::string& output, std::initializer_list<std::string> inputs) {
    for (const std::string& input : inputs)
        if (IsSameFile(output, input)) return true;
    return false;
}

bool ReplacingFile::Open(const std::string& path, std::initializer_list<std::string> inputs) {
    Discard();
    // errno says why a name is refused, as it does when the open or the creation fails.
    if (path.empty() || OutputIsAnInput(path, inputs)) {
        errno = path.empty() ? ENOENT : EINVAL;
        return false;
    }
    // A folder of that name could never be replaced: say so now rather than after the run.
    struct stat existing {};
    if (path.back() == '/' || (::lstat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))) {
        errno = EISDIR;
        return false;
    }
    // A device or a pipe (also behind a link: /dev/stdout) is written into as it is: there is no
    // file to replace, and a rename would put a plain file in the device's place.
    struct stat target {};
    const bool exists = ::stat(path.c_str(), &target) == 0;
    if (exists && (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode) || S_ISFIFO(target.st_mode))) {
        // Not blocking: a pipe nobody reads is refused instead of waited on for ever.
        fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return false;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        path_ = path;
        return true;
    }
    // The rename needs only the folder's permission; the file's own is what a plain open asks.
    if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
    RemoveStaleTemporaries(FolderOf(path));
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = TemporaryNameBeside(path);
        // Known to the signal handler before it exists: a signal right after the open finds it.
        Register(temporary_);
        // The creation mode is the one a plain create would give, the umask applied.
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int error = errno;
        Unregister(temporary_);
        if (error != EEXIST) break;
    }
    if (fd_ < 0) {
        temporary_.clear();
        return false;
    }
    // A replaced file keeps its mode: neither widened to the umask's nor narrowed.
    if (exists && S_ISREG(target.st_mode) && ::fchmod(fd_, target.st_mode & 07777) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    path_ = path;
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

bool ReplacingFile::Write(const void* data, std::size_t size) { return fd_ >= 0 && WriteAll(fd_, data, size); }

bool ReplacingFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd_, bytes + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (fd_ < 0) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (temporary_.empty()) return closed;  // written into a device or pipe
    if (!closed || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    Unregister(temporary_);
    temporary_.clear();
    return true;
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (temporary_.empty()) return;
    ::unlink(temporary_.c_str());
    Unregister(temporary_);
    temporary_.clear();
}

OutputGroupLock::OutputGroupLock(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string name = folder.empty() ? "." : folder;
    fd_ = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        problem_ = "cannot lock the folder " + name + ": " + std::strerror(errno);
        return;
    }
    const auto end = std::chrono::steady_clock::now() + kGroupLockWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        const bool busy = error == EWOULDBLOCK || error == EINTR;
        if (!busy || std::chrono::steady_clock::now() >= end) {
            ::close(fd_);
            fd_ = -1;
            problem_ = busy ? "the folder " + name + " stayed locked by another run"
                            : "cannot lock the folder " + name + ": " + std::strerror(error);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

OutputGroupLock::~OutputGroupLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the folder releases the lock
}

}  // namespace platform
