// The command packet, the command channel and the mailbox hand-shake.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "ruvent/command_channel.h"
#include "ruvent/command_packet.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_command_line.h"
#include "ruvent_testing/test_service_loop.h"

using namespace ruvent;
using namespace ruvent_testing;

namespace {

std::uint32_t WindowWord(const std::uint8_t* window, std::uint32_t offset) {
    std::uint32_t value;
    std::memcpy(&value, window + offset, 4);
    return value;
}

std::uint16_t WindowHalf(const std::uint8_t* window, std::uint32_t offset) {
    std::uint16_t value;
    std::memcpy(&value, window + offset, 2);
    return value;
}

// mwcmd refuses a line for the board whose loop is missing; the command-line program prints the
// line below and ends with code 1.
void ExpectNoServiceLoop(const std::string& line) {
    EXPECT_EQ(Call(mwcmd, line), RUVENT_REFUSED) << line;
    const RuventCallOutcome outcome = ruvent_last_call();
    EXPECT_EQ(outcome.refusal, RUVENT_NO_SERVICE_LOOP) << line;
    EXPECT_STREQ(outcome.console, "Create File Mapping fail in CommandClient\n");
    EXPECT_EQ(outcome.exitCode, 1);
}

}  // namespace

TEST(CommandPacket, HeadersWordsAndCounts) {
    CommandPacket packet(0x400);
    ASSERT_TRUE(packet.AddCommandHeader(PacketHeader::BufferPair, 4, 2));
    const std::uint32_t pairs[4] = {0x20010000, 0x20000, 0x20030000, 0x20000};
    ASSERT_TRUE(packet.AddPacketWords(pairs, sizeof pairs));
    EXPECT_EQ(packet.Word(0), 0u);
    EXPECT_EQ(packet.Word(1), 0x00050204u);
    EXPECT_EQ(packet.Word(2), 0x20010000u);
    EXPECT_EQ(packet.Word(5), 0x20000u);
    EXPECT_EQ(packet.PriorityCount(), 6u);
    EXPECT_EQ(packet.UsedWords(), 6u);

    const std::uint32_t client[5] = {0, 0x9E0000, 0x12345678, 0x930004, 7};
    ASSERT_TRUE(packet.AppendClientCommands(client, 8, 12));
    EXPECT_EQ(packet.PriorityCount(), 8u);
    EXPECT_EQ(packet.ScheduledCount(), 3u);
    // With P = 0x400 the counts lie at bytes 0x3F8 and 0x3FE.
    EXPECT_EQ(WindowHalf(packet.Bytes(), 0x3F8), 8u);
    EXPECT_EQ(WindowHalf(packet.Bytes(), 0x3FE), 3u);

    packet.Reset();
    EXPECT_EQ(packet.UsedWords(), 0u);
    EXPECT_EQ(WindowHalf(packet.Bytes(), 0x3F8), 0u);
}

TEST(CommandPacket, WhatDoesNotFitIsRefusedWhole) {
    CommandPacket packet(0x400);
    EXPECT_EQ(packet.CapacityWords(), 254u);
    std::vector<std::uint32_t> words(253, 1);
    ASSERT_TRUE(packet.AppendClientCommands(words.data(), 253 * 4, 0));
    EXPECT_FALSE(packet.AddCommandHeader(PacketHeader::OutBufferPair, 2, 0));
    EXPECT_FALSE(packet.AppendClientCommands(words.data(), 8, 0));
    EXPECT_EQ(packet.UsedWords(), 253u);
    // Sizes beyond the mailbox are kept below the ready flag.
    EXPECT_EQ(CommandPacket(0x8000).Size(), 0x1000u);
}

TEST(CommandChannel, PostTakeAndClear) {
    auto service = CommandChannel::CreateCommandObject(0);
    ASSERT_TRUE(service);
    auto client = CommandChannel::OpenCommandObject(0);
    ASSERT_TRUE(client);
    EXPECT_EQ(service->CommandBlockPending(), 0u);
    const std::uint32_t words[5] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(client->PostCommandBlock(8, 12, words));
    EXPECT_EQ(service->CommandBlockPending(), 20u);
    const auto block = service->TakeCommandBlock();
    EXPECT_EQ(block.priorityBytes, 8u);
    EXPECT_EQ(block.scheduledBytes, 12u);
    EXPECT_EQ(service->CommandBlockWords()[4], 5u);
    service->ClearCommandBlock();
    EXPECT_EQ(client->CommandBlockPending(), 0u);

    // An empty block leaves the channel free; one beyond 4094 words is refused.
    EXPECT_TRUE(client->PostCommandBlock(0, 0, words));
    EXPECT_EQ(service->CommandBlockPending(), 0u);
    std::vector<std::uint32_t> big(4095);
    EXPECT_FALSE(client->PostCommandBlock(4095 * 4, 0, big.data()));
    EXPECT_EQ(service->CommandBlockPending(), 0u);

    EXPECT_FALSE(CommandChannel::OpenCommandObject(1));  // the second board has no service loop
    EXPECT_EQ(CommandChannelName(1), "CommandObject2");
}

TEST(CommandChannel, AChannelWhoseOwnerDiedIsMissingAndCanBeTakenOver) {
    const pid_t child = fork();
    if (child == 0) {
        auto channel = CommandChannel::CreateCommandObject(0);
        const std::uint32_t word = 7;
        if (channel) channel->PostCommandBlock(4, 0, &word);
        _exit(channel ? 0 : 3);  // no destructor: the channel stays behind, owned by a dead process
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    EXPECT_FALSE(CommandChannel::OpenCommandObject(0));
    auto service = CommandChannel::CreateCommandObject(0);
    ASSERT_TRUE(service);
    EXPECT_EQ(service->CommandBlockPending(), 0u);  // the dead loop's block is gone
    EXPECT_TRUE(CommandChannel::OpenCommandObject(0));
}

TEST(CommandChannel, MwcmdWithoutALiveServiceLoopIsRefused) {
    FakeDriver driver;
    ScopedDriver scoped{driver};
    ExpectNoServiceLoop("mwcmd -p 0x0 0x9e0000");
    const pid_t child = fork();
    if (child == 0) {
        auto channel = CommandChannel::CreateCommandObject(1);
        _exit(channel ? 0 : 3);
    }
    waitpid(child, nullptr, 0);
    ExpectNoServiceLoop("mwcmd -b2 -p 0x0 0x9e0000");
    CommandChannel::CreateCommandObject(1);  // take the stale channel over, and remove it
}

TEST(CommandChannel, ConcurrentPostersLoseAndMixNothing) {
    FakeDriver driver;
    ScopedDriver scoped(driver);
    TestServiceLoop loop(0, driver);
    ASSERT_TRUE(loop.Running());
    constexpr int kThreads = 4, kPosts = 6;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([t] {
            for (int p = 0; p < kPosts; ++p) {
                const std::string tag = std::to_string(t * 100 + p);
                Call(mwcmd, "mwcmd -p 0x0 " + tag + " " + tag + " -s " + tag);
            }
        });
    }
    for (auto& poster : posters) poster.join();
    // mwcmd returns once its block is posted; the last one may still wait to be taken.
    for (int i = 0; i < 2000 && loop.Blocks().size() < kThreads * kPosts; ++i) platform::SleepMs(1);

    std::set<std::uint32_t> tags;
    for (const auto& block : loop.Blocks()) {
        ASSERT_EQ(block.priorityBytes, 12u);
        ASSERT_EQ(block.scheduledBytes, 4u);
        ASSERT_EQ(block.words.size(), 4u);
        EXPECT_EQ(block.words[0], 0u);
        EXPECT_EQ(block.words[1], block.words[2]);
        EXPECT_EQ(block.words[1], block.words[3]);
        tags.insert(block.words[1]);
    }
    EXPECT_EQ(tags.size(), static_cast<std::size_t>(kThreads * kPosts));
}

TEST(SendCommandPacket, FreeMailboxTakesThePacket) {
    FakeDriver driver;
    ScopedDriver scoped(driver);
    std::vector<std::uint8_t> window(0x2000);
    CommandPacket packet(0x400);
    const std::uint32_t words[2] = {0, 0x9E0000};
    packet.AppendClientCommands(words, 8, 0);
    EXPECT_EQ(SendCommandPacket(packet, window.data(), 0), 1);
    EXPECT_EQ(WindowWord(window.data(), 0x1000), 1u);
    EXPECT_EQ(WindowWord(window.data(), 4), 0x9E0000u);
    EXPECT_EQ(WindowHalf(window.data(), 0x3F8), 2u);
}

TEST(SendCommandPacket, BusyMailboxEndsOnQuitKeyOrTimeBound) {
    FakeDriver driver;
    ScopedDriver scoped(driver);
    std::vector<std::uint8_t> window(0x2000);
    const std::uint32_t busy = 1;
    std::memcpy(&window[0x1000], &busy, 4);
    CommandPacket packet(0x400);
    const std::uint32_t words[2] = {0, 0x9E0000};
    packet.AppendClientCommands(words, 8, 0);

    // The operator's 'q' drops the packet.
    auto previousKeys = SetConsoleKeySource([] { return true; });
    EXPECT_EQ(SendCommandPacket(packet, window.data(), 0), kMailboxKeyQuit);
    SetConsoleKeySource([] { return false; });
    EXPECT_EQ(WindowWord(window.data(), 4), 0u);

    // A quit request ends the wait.
    driver.WriteSharedMem(0, 0xFFFFFFFF, 15);
    EXPECT_EQ(SendCommandPacket(packet, window.data(), 0), kMailboxFailed);
    driver.WriteSharedMem(0, 0, 15);

    // A board that never answers: the box, and 0x1111 once the bound has passed.
    std::vector<std::string> boxes;
    auto previousBox = platform::SetMessageBoxHook(
        [&](const std::string& text, const std::string& caption, platform::MessageButtons, platform::MessageIcon) {
            boxes.push_back(caption + ": " + text);
            return platform::MessageAnswer::Ok;
        });
    EXPECT_EQ(SendCommandPacket(packet, window.data(), 0, 50), kMailboxFailed);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Velmar Error: Driver Communication Error"}));
    EXPECT_EQ(WindowWord(window.data(), 4), 0u);
    platform::SetMessageBoxHook(previousBox);
    SetConsoleKeySource(previousKeys);
}
