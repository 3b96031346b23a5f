#include "tool_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/kernel.h"

namespace file_tools {

ToolFile::~ToolFile() {
    if (fd_ >= 0) ::close(fd_);
}

ToolFile& ToolFile::operator=(ToolFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

std::optional<ToolFile> ToolFile::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return std::nullopt;
    return ToolFile(fd);
}

std::optional<std::uint64_t> ToolFile::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return std::nullopt;
    return std::uint64_t(st.st_size);
}

bool ToolFile::Seek(std::uint64_t offset) { return ::lseek(fd_, off_t(offset), SEEK_SET) == off_t(offset); }

bool ToolFile::SeekEnd() { return ::lseek(fd_, 0, SEEK_END) >= 0; }

long long ToolFile::Read(void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += std::size_t(n);
    }
    return (long long)done;
}

bool ToolFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) { return platform::IsSameFile(a, b); }

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

std::string PictureIndexPathBeside(const std::string& streamPath) {
    const std::string ext = ExtensionOf(streamPath);
    return streamPath.substr(0, streamPath.size() - ext.size()) + ".mdb";
}

}  // namespace file_tools
