#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "platform/shared_memory.h"

namespace velmar {

BoardInstanceLock::BoardInstanceLock(int board) {
    // The shared-object name without its leading '/', in the temporary folder.
    const std::string name = platform::SharedObjectName("velmar-board" + std::to_string(board == 2 ? 2 : 1) + ".lock");
    path_ = (std::filesystem::temp_directory_path() / name.substr(1)).string();
}

BoardInstanceLock::~BoardInstanceLock() {
    if (fd_ >= 0) ::close(fd_);  // closing frees the lock; the file stays for the next instance
}

bool BoardInstanceLock::TryTake() {
    if (held_) return true;
    if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return false;
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

}  // namespace velmar
