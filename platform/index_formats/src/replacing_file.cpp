#include "index_formats/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/kernel.h"

namespace index_formats {
namespace {

// Hidden, and unique per process and call, so that parallel runs in one folder never meet.
std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.part", int(::getpid()), counter++);
    return folder + "." + name + suffix;
}

}  // namespace

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

bool ReplacingFile::Open(const std::string& path, const std::string& input) {
    Discard();
    if (path.empty() || path.back() == '/' || platform::IsSameFile(path, input)) return false;
    // A folder of that name could never be replaced: say so now rather than after the run.
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return false;
    // A device or a pipe (also behind a link: /dev/stdout) is written into as it is: there is no
    // file to replace, and a rename would put a plain file in the device's place.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 &&
        (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode) || S_ISFIFO(target.st_mode))) {
        // Not blocking: a pipe nobody reads is refused instead of waited on for ever.
        fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return false;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        path_ = path;
        return true;
    }
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = TemporaryNameBeside(path);
        // The creation mode is the one a plain create would give, the umask applied.
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        temporary_.clear();
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

bool ReplacingFile::Commit() {
    if (fd_ < 0) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (temporary_.empty()) return closed;  // written into a device or pipe
    if (!closed || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace index_formats
