#include "platform/shared_lock.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel.h"
#include "platform/shared_memory.h"

namespace platform {

bool ProcessAlive(std::int32_t pid) {
    if (pid <= 0) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool SharedLock::TryLockFor(int timeoutMs) {
    const auto self = static_cast<std::int32_t>(::getpid());
    const std::int64_t deadline = PerformanceCounter() + static_cast<std::int64_t>(timeoutMs) * 1000;
    for (int attempt = 0;; ++attempt) {
        std::int32_t holder = 0;
        if (holder_.compare_exchange_strong(holder, self, std::memory_order_acquire)) return true;
        // A holder that died never frees the lock; exactly one waiter wins the exchange from its id.
        if (holder != self && !ProcessAlive(holder) &&
            holder_.compare_exchange_strong(holder, self, std::memory_order_acquire))
            return true;
        if (PerformanceCounter() >= deadline) return false;
        // Holders copy a few hundred bytes: yield first, then stop burning the processor.
        if (attempt < 100)
            sched_yield();
        else
            SleepUs(500);
    }
}

void SharedLock::Unlock() { holder_.store(0, std::memory_order_release); }

namespace {

bool SameObject(int fd, const std::string& objectName) {
    const int current = ::shm_open(objectName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (current < 0) return false;
    struct stat mine {}, named {};
    const bool same = ::fstat(fd, &mine) == 0 && ::fstat(current, &named) == 0 && mine.st_dev == named.st_dev &&
                      mine.st_ino == named.st_ino;
    ::close(current);
    return same;
}

}  // namespace

std::unique_ptr<NamedLock> NamedLock::TryTake(std::string_view name) {
    const std::string objectName = SharedObjectName(name);
    // A holder removes the name while it still holds the lock, so a lock taken on an object the
    // name no longer reaches is stale: try again on the name's current object.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return nullptr;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return nullptr;
        }
        if (SameObject(fd, objectName)) return std::unique_ptr<NamedLock>(new NamedLock(objectName, fd));
        ::close(fd);
    }
    return nullptr;
}

NamedLock::~NamedLock() {
    ::shm_unlink(objectName_.c_str());
    ::close(fd_);
}

}  // namespace platform
