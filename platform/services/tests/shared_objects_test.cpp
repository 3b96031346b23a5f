#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/shared_memory.h"

namespace {

int WaitChild(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SharedMemory, IsVisibleAcrossProcessesAndStartsZeroed) {
    platform::SharedMemory::Remove("shm-test");
    auto memory = platform::SharedMemory::Open("shm-test", 4096);
    ASSERT_TRUE(memory);
    EXPECT_TRUE(memory->Created());
    auto* words = static_cast<volatile std::uint32_t*>(memory->Data());
    EXPECT_EQ(words[100], 0u);

    const pid_t child = fork();
    if (child == 0) {
        auto mine = platform::SharedMemory::Open("shm-test", 4096, platform::SharedMemory::Mode::OpenExisting);
        if (!mine || mine->Created()) _exit(1);
        static_cast<volatile std::uint32_t*>(mine->Data())[100] = 0x1234;
        _exit(0);
    }
    ASSERT_EQ(WaitChild(child), 0);
    EXPECT_EQ(words[100], 0x1234u);
    platform::SharedMemory::Remove("shm-test");
}

TEST(SharedMemory, OpenModesAndTheNamePrefix) {
    platform::SharedMemory::Remove("shm-modes");
    EXPECT_FALSE(platform::SharedMemory::Open("shm-modes", 64, platform::SharedMemory::Mode::OpenExisting));
    EXPECT_FALSE(platform::SharedMemory::Exists("shm-modes"));
    auto first = platform::SharedMemory::Open("shm-modes", 64, platform::SharedMemory::Mode::CreateNew);
    ASSERT_TRUE(first);
    EXPECT_TRUE(platform::SharedMemory::Exists("shm-modes"));
    EXPECT_FALSE(platform::SharedMemory::Open("shm-modes", 64, platform::SharedMemory::Mode::CreateNew));
    EXPECT_EQ(first->Name(), "/" + std::string(std::getenv("VELMAR_NAME_PREFIX")) + "shm-modes");
    platform::SharedMemory::Remove("shm-modes");
    EXPECT_FALSE(platform::SharedMemory::Exists("shm-modes"));
}

TEST(NamedEvent, WaitTimesOutWhenNotSetAndTakesASetOnce) {
    platform::NamedEvent::Remove("ev-once");
    auto event = platform::NamedEvent::Open("ev-once");
    ASSERT_TRUE(event);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event->Wait(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    event->Set();
    event->Set();  // auto-reset: two sets before a wait count once
    EXPECT_TRUE(event->Wait(0));
    EXPECT_FALSE(event->Wait(0));
    event->Set();
    event->Reset();
    EXPECT_FALSE(event->Wait(0));
    platform::NamedEvent::Remove("ev-once");
}

TEST(NamedEvent, WakesAWaiterInAnotherProcess) {
    platform::NamedEvent::Remove("ev-ping");
    platform::NamedEvent::Remove("ev-pong");
    auto ping = platform::NamedEvent::Open("ev-ping");
    auto pong = platform::NamedEvent::Open("ev-pong");
    ASSERT_TRUE(ping && pong);
    const pid_t child = fork();
    if (child == 0) {
        auto childPing = platform::NamedEvent::Open("ev-ping");
        auto childPong = platform::NamedEvent::Open("ev-pong");
        for (int i = 0; i < 20; ++i) {
            if (!childPing->Wait(5000)) _exit(1);
            childPong->Set();
        }
        _exit(0);
    }
    for (int i = 0; i < 20; ++i) {
        ping->Set();
        ASSERT_TRUE(pong->Wait(5000)) << "round " << i;
    }
    EXPECT_EQ(WaitChild(child), 0);
    platform::NamedEvent::Remove("ev-ping");
    platform::NamedEvent::Remove("ev-pong");
}

TEST(NamedEvent, OneSetWakesExactlyOneOfTwoWaiters) {
    platform::NamedEvent::Remove("ev-one");
    auto event = platform::NamedEvent::Open("ev-one");
    std::atomic<int> woken{0};
    std::thread a([&] { woken += event->Wait(300); });
    std::thread b([&] { woken += event->Wait(300); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    event->Set();
    a.join();
    b.join();
    EXPECT_EQ(woken, 1);
    platform::NamedEvent::Remove("ev-one");
}

}  // namespace
