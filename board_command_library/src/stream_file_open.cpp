#include "stream_file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ruvent {

int OpenStreamFile(const std::string& path, int flags, int mode) {
    // Truncation waits until the name is known to be a file: O_TRUNC on a device is not ours to do.
    const bool truncate = (flags & O_TRUNC) != 0;
    const int fd = ::open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK, mode);
    if (fd < 0) return -1;
    struct stat info{};
    const bool streamable = ::fstat(fd, &info) == 0 && (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode));
    if (!streamable || (truncate && S_ISREG(info.st_mode) && ::ftruncate(fd, 0) != 0) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace ruvent
