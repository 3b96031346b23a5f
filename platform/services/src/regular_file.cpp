#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace platform {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

int OpenRegularFileDescriptor(const std::string& path, int flags, BlockDevices blockDevices) {
    if (path.empty()) return -1;
    // Not waiting, and not truncating, until the name is known to be a regular file.
    const int fd = ::open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    const bool regular = known && S_ISREG(info.st_mode);
    const bool taken = regular || (known && S_ISBLK(info.st_mode) && blockDevices == BlockDevices::Taken);
    if (!taken || (regular && (flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        if (!taken) errno = EINVAL;
        return -1;
    }
    return fd;
}

CFile OpenRegularFile(const std::string& path, const char* mode) {
    if (!mode) return nullptr;
    const bool update = std::strchr(mode, '+') != nullptr;
    int flags = 0;
    switch (mode[0]) {
    case 'r': flags = update ? O_RDWR : O_RDONLY; break;
    case 'w': flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; break;
    case 'a': flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default: errno = EINVAL; return nullptr;
    }
    const int fd = OpenRegularFileDescriptor(path, flags);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return CFile(file);
}

WholeFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    const int fd = OpenRegularFileDescriptor(path, O_RDONLY);
    if (fd < 0) return WholeFileRead::CannotOpen;
    struct stat info {};
    WholeFileRead result = WholeFileRead::Read;
    if (::fstat(fd, &info) != 0) {
        result = WholeFileRead::CannotOpen;
    } else if (std::uint64_t(info.st_size) > limit) {
        result = WholeFileRead::TooLarge;
    } else {
        // Read in blocks, not to the size given: a file that grows while it is read is stopped
        // one block past the limit.
        char block[65536];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) result = WholeFileRead::CannotOpen;
            if (got <= 0) break;
            bytes.append(block, std::size_t(got));
            if (bytes.size() > limit) {
                result = WholeFileRead::TooLarge;
                break;
            }
        }
        if (result != WholeFileRead::Read) bytes.clear();
    }
    ::close(fd);
    return result;
}

}  // namespace platform
