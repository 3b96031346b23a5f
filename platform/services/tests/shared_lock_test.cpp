// The locks processes share: a dead holder's lock is taken over, a live holder's is waited for
// only as long as the caller's bound, and a name has one holder at a time.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/shared_lock.h"
#include "platform/shared_memory.h"

namespace {

// A lock in memory that a forked child shares.
struct SharedPage {
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    platform::SharedLock& Lock() { return *static_cast<platform::SharedLock*>(page); }
    ~SharedPage() { munmap(page, 4096); }
};

// A child process that takes the lock and holds it until `release` is written to, then ends
// without unlocking. Returns its pid once it holds the lock.
pid_t HoldInChild(platform::SharedLock& lock, int fds[2]) {
    if (pipe(fds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[1]);
        if (!lock.TryLockFor(5000)) _exit(1);
        char byte;
        [[maybe_unused]] ssize_t n = read(fds[0], &byte, 1);  // ends when the parent closes its end
        _exit(0);
    }
    close(fds[0]);
    return child;
}

std::int64_t MillisecondsSince(std::int64_t start) { return (platform::PerformanceCounter() - start) / 1000; }

TEST(SharedLock, TakenOverFromADeadHolderBoundedAgainstALiveOne) {
    enum class Holder { None, LiveProcess, DeadProcess, OtherThreadHere };
    struct Case {
        const char* name;
        Holder holder;
        bool taken;
    };
    const Case cases[] = {
        {"free", Holder::None, true},
        {"held by a live process", Holder::LiveProcess, false},
        {"left locked by a process that ended", Holder::DeadProcess, true},
        {"held by another thread of this process", Holder::OtherThreadHere, false},
    };
    constexpr int kBoundMs = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedPage page;
        platform::SharedLock& lock = page.Lock();
        int fds[2] = {-1, -1};
        pid_t child = -1;
        if (c.holder == Holder::LiveProcess || c.holder == Holder::DeadProcess) {
            child = HoldInChild(lock, fds);
            ASSERT_GT(child, 0);
            // Wait (bounded) until the child holds it.
            for (int i = 0; i < 500 && lock.TryLockFor(0); ++i) {
                lock.Unlock();
                platform::SleepMs(2);
            }
        }
        if (c.holder == Holder::DeadProcess) {
            close(fds[1]);
            waitpid(child, nullptr, 0);
        }
        std::thread holderThread;
        std::atomic<bool> held{false}, done{false};
        if (c.holder == Holder::OtherThreadHere) {
            holderThread = std::thread([&] {
                platform::SharedLockGuard guard(lock, 1000);
                held = static_cast<bool>(guard);
                while (!done) platform::SleepMs(1);
            });
            while (!held) platform::SleepMs(1);
        }

        const std::int64_t start = platform::PerformanceCounter();
        {
            platform::SharedLockGuard guard(lock, kBoundMs);
            EXPECT_EQ(static_cast<bool>(guard), c.taken);
            if (c.taken)
                EXPECT_LT(MillisecondsSince(start), kBoundMs);
            else
                EXPECT_GE(MillisecondsSince(start), kBoundMs);
        }
        // A guard frees only what it took.
        const bool freeAfterwards = lock.TryLockFor(0);
        EXPECT_EQ(freeAfterwards, c.taken);
        if (freeAfterwards) lock.Unlock();

        done = true;
        if (holderThread.joinable()) holderThread.join();
        if (c.holder == Holder::LiveProcess) {
            close(fds[1]);
            waitpid(child, nullptr, 0);
        }
    }
}

TEST(SharedLock, KeepsThreadsApart) {
    SharedPage page;
    platform::SharedLock& lock = page.Lock();
    long counter = 0;  // plain: the lock alone orders the increments
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                platform::SharedLockGuard guard(lock, 5000);
                if (guard) ++counter;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, 8000);
}

TEST(NamedLock, OneHolderAtATimeReleasedWhenTheHolderEnds) {
    const char* name = "lock-test";
    {
        auto first = platform::NamedLock::TryTake(name);
        ASSERT_TRUE(first);
        EXPECT_FALSE(platform::NamedLock::TryTake(name));
    }
    EXPECT_FALSE(platform::SharedMemory::Exists(name));  // the holder removes the name it leaves

    // A holder that ends without releasing leaves the name, but not the lock.
    const pid_t child = fork();
    if (child == 0) {
        auto held = platform::NamedLock::TryTake(name);
        if (held) _exit(0);  // no destructor
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(platform::SharedMemory::Exists(name));
    EXPECT_TRUE(platform::NamedLock::TryTake(name));
    EXPECT_FALSE(platform::SharedMemory::Exists(name));
}

}  // namespace
