// mwcmd against the recording fake driver and a stand-in service loop.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <cstring>
#include <thread>

#include "platform/kernel.h"
#include "ruvent/command_channel.h"
#include "ruvent/command_client.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_command_line.h"
#include "ruvent_testing/test_service_loop.h"

using namespace ruvent_testing;
using Kind = RecordedCall::Kind;

namespace {

class Mwcmd : public ::testing::Test {
protected:
    // "Name(arg, ...)" for each request, and "Shared[i]=v" for shared words, in order.
    std::vector<std::string> Trace() const {
        std::vector<std::string> lines;
        for (const auto& call : driver.Calls()) {
            std::string line;
            if (call.kind == Kind::WriteShared) {
                line = "Shared[" + std::to_string(call.address) + "]=" + std::to_string(call.value);
            } else if (call.kind == Kind::Request) {
                line = call.operation + "(";
                for (std::size_t i = 0; i < call.args.size(); ++i)
                    line += (i ? "," : "") + std::to_string(call.args[i]);
                if (!call.text.empty()) line += ",\"" + call.text + "\"";
                line += ")";
            } else {
                continue;
            }
            if (call.board != 0) line = "b" + std::to_string(call.board) + ":" + line;
            lines.push_back(line);
        }
        return lines;
    }

    FakeDriver driver;
    ScopedDriver scoped{driver};
};

}  // namespace

TEST_F(Mwcmd, InputOpenWritesTheRequestAndWaitsForTheFirstFlag) {
    TestServiceLoop loop(0, driver);
    loop.SetClearingFlags(false);
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        EXPECT_EQ(Call(mwcmd, {"mwcmd", "-i0B", "-l1", "-O", "0x0", "0x100000", "0x0", "0x20000", "-R", "-F",
                               "<my clip.mpg>"}),
                  1);
        returned.store(true);
    });
    // The call stays in its wait until the loop has "preloaded" and cleared the first flag.
    for (int i = 0; i < 100 && driver.Semaphore(0, 0, 0) == 0; ++i) platform::SleepMs(1);
    EXPECT_EQ(driver.Semaphore(0, 0, 0), 11u);
    platform::SleepMs(20);
    EXPECT_FALSE(returned.load());
    loop.SetClearingFlags(true);
    caller.join();
    EXPECT_TRUE(returned.load());

    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "WriteInputFilenameReverse(0,0)",
                           "WriteInputFilenameOffset(0,0,0,0,0)",
                           "WriteLoopFlag(1,0)",
                           "WriteLoopTime(1,0)",
                           "WriteInputFilenameOffset(0,1048576,0,131072,0)",
                           "WriteInputFilenameReverse(1,0)",
                           "WriteFirstLast(1,0,0)",
                           "WriteInputFilename(0,\"my clip.mpg\")",
                           "Shared[0]=1",
                           "WriteSemaphore(11,0,0)",
                           "WriteFirstLast(0,0,0)",  // the loop's clear
                       }));
    EXPECT_TRUE(loop.Blocks().empty());
}

TEST_F(Mwcmd, PriorityWordsArePostedWithoutWaiting) {
    TestServiceLoop loop(0, driver);
    loop.SetClearingFlags(false);
    EXPECT_EQ(Call(mwcmd, "mwcmd -p 0x0 0x9e0000"), 1);
    for (int i = 0; i < 1000 && loop.Blocks().empty(); ++i) platform::SleepMs(1);
    const auto blocks = loop.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].priorityBytes, 8u);
    EXPECT_EQ(blocks[0].scheduledBytes, 0u);
    EXPECT_EQ(blocks[0].words, (std::vector<std::uint32_t>{0, 0x9E0000}));
    EXPECT_TRUE(Trace().empty());
}

TEST_F(Mwcmd, StartLinePostsItsWordsAndWaitsForTheLastFlag) {
    TestServiceLoop loop(0, driver);
    EXPECT_EQ(Call(mwcmd, "mwcmd -s 0x00010000 0x930001 0x7 -p 0x0 0x930004 0xffffffff 0xffffffff 0x1234 0x0 -L0"), 1);
    // Returned: the loop took the block and cleared the last flag.
    EXPECT_EQ(driver.FirstLast(0, 0, 1), 0u);
    const auto blocks = loop.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].priorityBytes, 24u);
    EXPECT_EQ(blocks[0].scheduledBytes, 12u);
    // Priority words first, whatever order the line gave the runs in.
    EXPECT_EQ(blocks[0].words, (std::vector<std::uint32_t>{0, 0x930004, 0xFFFFFFFF, 0xFFFFFFFF, 0x1234, 0, 0x10000,
                                                           0x930001, 7}));
    EXPECT_EQ(Trace().front(), "WriteFirstLast(1,0,1)");
}

TEST_F(Mwcmd, OutputsQueueSlotsAndStops) {
    TestServiceLoop loop(0, driver);
    EXPECT_EQ(Call(mwcmd, "mwcmd -o5B -I <out5.mpg>"), 1);
    EXPECT_EQ(driver.OutputFlags(0, 5), 2u);
    EXPECT_EQ(driver.OutputName(0, 5), "out5.mpg");
    EXPECT_EQ(driver.Semaphore(0, 1, 5), 11u);
    EXPECT_EQ(driver.Shared(0, 1), 1u);
    EXPECT_EQ(Call(mwcmd, "mwcmd -o0A <rec.mpg>"), 1);
    EXPECT_EQ(driver.OutputFlags(0, 0), 4u);
    EXPECT_EQ(driver.Semaphore(0, 1, 0), 10u);
    EXPECT_EQ(driver.Shared(0, 1), 2u);

    EXPECT_EQ(Call(mwcmd, "mwcmd -U5"), 1);
    EXPECT_EQ(driver.Shared(0, 14), 5u);
    EXPECT_EQ(driver.Shared(0, 21), 1u);

    driver.ClearCalls();
    EXPECT_EQ(Call(mwcmd, "mwcmd -q14 -R <next.mpg>"), 1);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"WriteInputFilenameReverse(0,14)",
                                                 "WriteInputFilenameOffset(0,0,0,0,14)",
                                                 "WriteInputFilenameReverse(1,14)",
                                                 "WriteInputFilename(14,\"next.mpg\")"}));
    driver.ClearCalls();
    EXPECT_EQ(Call(mwcmd, "mwcmd -S3 -l0"), 1);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"WriteSemaphore(12,0,3)", "WriteLoopFlag(0,3)", "WriteLoopTime(0,3)"}));
    driver.ClearCalls();
    EXPECT_EQ(Call(mwcmd, "mwcmd -i2A -l3 -I name2"), 1);
    EXPECT_EQ(driver.InputFlags(0, 2), 2u);
    EXPECT_EQ(driver.InputName(0, 2), "name2");
    EXPECT_EQ(driver.Semaphore(0, 0, 2), 10u);
    EXPECT_EQ(Trace()[2], "WriteLoopFlag(1,2)");
    EXPECT_EQ(Trace()[3], "WriteLoopTime(3,2)");
}

TEST_F(Mwcmd, StreamAndSlotNumbersAreReadWholeAndBounded) {
    TestServiceLoop loop(0, driver);
    EXPECT_EQ(Call(mwcmd, "mwcmd -q10 <slot10.mpg>"), 1);
    EXPECT_EQ(driver.InputName(0, 10), "slot10.mpg");
    EXPECT_EQ(driver.InputName(0, 1), "");
    driver.ClearCalls();
    for (const char* line : {"mwcmd -q16 <x.mpg>", "mwcmd -i8B -F <x.mpg>", "mwcmd -o8B <x.mpg>", "mwcmd -iB <x.mpg>",
                             "mwcmd -q14 -I -R", "mwcmd -U16", "mwcmd -L16", "mwcmd -S99"})
        EXPECT_EQ(Call(mwcmd, line), 1) << line;
    // Only the in-range parts of "-q14 -I -R" land: -I would reach output flags 14, which do not exist.
    EXPECT_EQ(Trace(), (std::vector<std::string>{"WriteInputFilenameReverse(0,14)",
                                                 "WriteInputFilenameOffset(0,0,0,0,14)",
                                                 "WriteInputFilenameReverse(1,14)"}));
}

TEST_F(Mwcmd, SecondBoardUsesItsOwnChannelAndWords) {
    TestServiceLoop first(0, driver);
    TestServiceLoop second(1, driver);
    EXPECT_EQ(Call(mwcmd, "mwcmd -o0B <b2.mpg> -b2"), 1);
    EXPECT_EQ(Call(mwcmd, "mwcmd -b2 -p 0x0 0x9e0000"), 1);
    EXPECT_EQ(driver.OutputFlags(1, 0), 12u);  // board << 3 | 4
    EXPECT_EQ(driver.OutputName(1, 0), "b2.mpg");
    EXPECT_EQ(driver.OutputName(0, 0), "");
    for (int i = 0; i < 1000 && second.Blocks().empty(); ++i) platform::SleepMs(1);
    EXPECT_EQ(second.Blocks().size(), 1u);
    EXPECT_TRUE(first.Blocks().empty());
}

// A service loop that stalls, or ends while mwcmd waits for it: mwcmd gives up and returns 0
// instead of waiting for ever or ending the program.
TEST_F(Mwcmd, WaitsForTheLoopEndInAnErrorWhenItStallsOrEnds) {
    using Clock = std::chrono::steady_clock;
    const char* const lines[] = {"mwcmd -i0B -F <a.mpg>", "mwcmd -p 0x0 0x930004 -L0", "mwcmd -p 0x0 0x9e0000"};
    for (const bool loopEnds : {false, true}) {
        for (const char* line : lines) {
            const bool busyChannel = std::string(line) == lines[2];
            std::optional<TestServiceLoop> loop;
            std::unique_ptr<ruvent::CommandChannel> stuck;  // a live owner that never takes its block
            if (busyChannel) {
                stuck = ruvent::CommandChannel::CreateCommandObject(0);
                ASSERT_TRUE(stuck);
                const std::uint32_t pending[] = {0, 0x9e0000};
                stuck->PostCommandBlock(8, 0, pending);
            } else {
                loop.emplace(0, driver);
                loop->SetClearingFlags(false);
            }
            const auto start = Clock::now();
            std::atomic<int> result{-1};
            std::thread caller([&] { result = Call(mwcmd, line); });
            if (loopEnds) {
                platform::SleepMs(50);
                loop.reset();
                stuck.reset();
            }
            caller.join();
            const auto took = Clock::now() - start;
            EXPECT_EQ(result.load(), 0) << line;
            if (loopEnds)
                EXPECT_LT(took, std::chrono::milliseconds(ruvent::kClientWaitLimitMs)) << line;
            else
                EXPECT_GE(took, std::chrono::milliseconds(ruvent::kClientWaitLimitMs - 100)) << line;
            EXPECT_LT(took, std::chrono::seconds(10)) << line;
            for (std::uint32_t which : {0u, 1u}) driver.WriteFirstLast(0, 0, 0, which);
        }
    }
}

TEST(StripBrackets, NamesBetweenTheBrackets) {
    EXPECT_EQ(ruvent::StripBrackets("<a b.mpg>"), "a b.mpg");
    EXPECT_EQ(ruvent::StripBrackets("<a.mpg>tail"), "a.mpg");
    EXPECT_EQ(ruvent::StripBrackets("plain.mpg"), "plain.mpg");  // nothing dropped without '<'
    EXPECT_EQ(ruvent::StripBrackets("<"), "");
}

// "-h" and a bad board word are refused with the usage (the access tests cover them); "-force"
// sends its packet and returns, after which the command-line program ends with code 0.
TEST(Mwcmd_Force, SendsTheWordsAsOnePacket) {
    FakeDriver driver;
    ScopedDriver scoped(driver);
    driver.SetSizeArray(0, 0, 0x400);
    EXPECT_EQ(Call(mwcmd, "mwcmd -force -p 0x0 0x9e0000 -s 0x0 0x930001 0x5"), 1);
    EXPECT_EQ(ruvent_last_call().refusal, RUVENT_CARRIED_OUT);
    EXPECT_EQ(ruvent_last_call().exitCode, 0);
    const std::uint8_t* window = driver.WindowBytes();
    std::uint32_t word;
    std::memcpy(&word, window + 0x1000, 4);
    EXPECT_EQ(word, 1u);
    std::memcpy(&word, window + 4, 4);
    EXPECT_EQ(word, 0x9E0000u);
    std::memcpy(&word, window + 16, 4);
    EXPECT_EQ(word, 5u);
    std::uint16_t counts[2];
    std::memcpy(&counts[0], window + 0x3F8, 2);
    std::memcpy(&counts[1], window + 0x3FE, 2);
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 3);
}
