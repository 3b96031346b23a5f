#include "tool_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    ToolFile file(platform::OpenRegularFileDescriptor(path, mode == Mode::Read ? O_RDONLY : O_RDWR));
    if (file.fd_ < 0) return std::nullopt;
    return file;
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

bool ToolFile::Write(const void* data, std::size_t size) { return platform::WriteAll(fd_, data, size); }

bool ToolFile::Truncate(std::uint64_t size) { return ::ftruncate(fd_, off_t(size)) == 0; }

std::string IoProblem(const std::string& path, int error) { return path + ": " + std::strerror(error); }

std::string InputProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return IoProblem(path, errno);
    if (!S_ISREG(info.st_mode)) return path + ": not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return IoProblem(path, errno);
    ::close(fd);
    return {};
}

std::string OutputProblem(const std::string& path, int error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return path + ": a folder has this name";
    return IoProblem(path, error != 0 ? error : EIO);
}

std::string ExtensionOf(const std::string& path) {
    // The index's name is the path less its extension plus ".mdb": what it drops is the extension.
    const std::string stem = PictureIndexPathBeside(path);
    return path.substr(stem.size() - 4);
}

RunResult FinishOutput(platform::ReplacingFile& output, RunResult result) {
    if (result != kDone && result != kCanceled) {
        output.Discard();
        return result;
    }
    return output.Commit() ? result : kFileError;
}

}  // namespace file_tools
