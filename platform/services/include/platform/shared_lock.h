// Locks that processes share.
//
// `SharedLock` lives inside shared memory and guards short copies there. It records the holding
// process, so a process that dies holding it does not leave it taken: the next taker takes it
// over. Taking it waits at most the caller's bound. Zero-filled memory is a free lock.
//
// `NamedLock` is a name that one holder at a time may own (a board's server, say); the kernel
// releases it when the holder ends, however it ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// True when `pid` names a running process.
bool ProcessAlive(std::int32_t pid);

class SharedLock {
public:
    // False when a live holder kept the lock for `timeoutMs` milliseconds.
    [[nodiscard]] bool TryLockFor(int timeoutMs);
    void Unlock();

private:
    std::atomic<std::int32_t> holder_;  // the holding process, 0 when free
};

// Holds a SharedLock for its scope when it could be taken within the bound.
class SharedLockGuard {
public:
    SharedLockGuard(SharedLock& lock, int timeoutMs) : lock_(lock), held_(lock.TryLockFor(timeoutMs)) {}
    ~SharedLockGuard() {
        if (held_) lock_.Unlock();
    }
    SharedLockGuard(const SharedLockGuard&) = delete;
    SharedLockGuard& operator=(const SharedLockGuard&) = delete;

    explicit operator bool() const { return held_; }

private:
    SharedLock& lock_;
    bool held_;
};

class NamedLock {
public:
    // The lock on `name` (prefixed like every shared object name), or null while another holds it.
    static std::unique_ptr<NamedLock> TryTake(std::string_view name);
    ~NamedLock();  // releases the name and removes it
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

private:
    NamedLock(std::string objectName, int fd) : objectName_(std::move(objectName)), fd_(fd) {}

    std::string objectName_;
    int fd_;
};

}  // namespace platform
