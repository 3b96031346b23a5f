// mwcmd lines through the driver library to a software board in this process, with a stand-in
// service loop taking the blocks and sending them to the mailbox.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "ruvent/board_driver.h"
#include "ruvent/command_packet.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/test_command_line.h"
#include "ruvent_testing/test_service_loop.h"
#include "softboard/soft_board.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"

using namespace ruvent_testing;
using softboard::DecodedCommand;

namespace {

class CommandsToTheBoard : public ::testing::Test {
protected:
    void SetUp() override {
        board_ = softboard::SoftBoard::Create({});
        ASSERT_TRUE(board_);
        ASSERT_EQ(qrddMapMemory(0, physical_, host_), kQrddOk);
        qrddWriteSizeArray(0, 0x1000, 0);
        stepper_ = std::thread([this] {
            while (!stop_.load()) {
                if (stepping_.load()) {
                    std::lock_guard lock(boardMutex_);
                    board_->Step(platform::PerformanceCounter());
                }
                platform::SleepUs(200);
            }
        });
        loop_ = std::make_unique<TestServiceLoop>(0, driver_, Window());
        ASSERT_TRUE(loop_->Running());
    }
    void TearDown() override {
        loop_.reset();
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }

    std::uint8_t* Window() const { return reinterpret_cast<std::uint8_t*>(host_); }
    std::vector<DecodedCommand> BoardCommands() {
        std::lock_guard lock(boardMutex_);
        return board_->Commands();
    }
    // Waits (bounded) until the board has run `count` commands.
    std::vector<DecodedCommand> WaitForCommands(std::size_t count) {
        for (int i = 0; i < 2000 && BoardCommands().size() < count; ++i) platform::SleepMs(1);
        return BoardCommands();
    }
    std::uint32_t Shared(std::uint32_t index) {
        std::uint32_t value = 0;
        qrddReadSharedMem(0, value, index);
        return value;
    }

    ruvent::TessolkDriver driver_;
    std::unique_ptr<softboard::SoftBoard> board_;
    std::mutex boardMutex_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> stepping_{true};
    std::thread stepper_;
    std::uint32_t physical_ = 0;
    std::uint64_t host_ = 0;
    std::unique_ptr<TestServiceLoop> loop_;
};

}  // namespace

TEST_F(CommandsToTheBoard, PriorityWordReachesTheBoardDecoded) {
    Window()[board_map::kCommandDoneWord + 2] = 0;
    EXPECT_EQ(Call(mwcmd, "mwcmd -p 0x0 0x9e0000"), 1);
    const auto commands = WaitForCommands(1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], (DecodedCommand{false, 0, 0x9E, 0, {}}));
    for (int i = 0; i < 1000 && Window()[board_map::kCommandDoneWord + 2] != 2; ++i) platform::SleepMs(1);
    EXPECT_EQ(Window()[board_map::kCommandDoneWord + 2], 2);
}

TEST_F(CommandsToTheBoard, OutputOpenAndStopWords) {
    EXPECT_EQ(Call(mwcmd, "mwcmd -o5B -I <out5.mpg>"), 1);
    std::uint32_t flags = 0, code = 0;
    char name[kQrddNameMax];
    qrddReadOutputFilenameReverse(0, flags, 5);
    qrddReadOutputFilename(0, name, 5);
    qrddReadSemaphore(0, code, 1, 5);
    EXPECT_EQ(flags, 2u);
    EXPECT_STREQ(name, "out5.mpg");
    EXPECT_EQ(code, 11u);
    EXPECT_EQ(Shared(1), 1u);

    EXPECT_EQ(Call(mwcmd, "mwcmd -U5"), 1);
    EXPECT_EQ(Shared(14), 5u);
    EXPECT_EQ(Shared(21), 1u);
}

TEST_F(CommandsToTheBoard, PlaybackStartAsThePanelSendsIt) {
    // The open: offsets before the name, then the wait for the preload.
    EXPECT_EQ(Call(mwcmd, {"mwcmd", "-i0B", "-l1", "-O", "0x0", "0x100000", "0x0", "0x20000", "-F", "<clip A.mpg>"}),
              1);
    std::uint32_t offsets[4], code = 0, first = 1;
    qrddReadInputFilenameOffset(0, offsets[0], offsets[1], offsets[2], offsets[3], 0);
    EXPECT_EQ(offsets[1], 0x100000u);
    EXPECT_EQ(offsets[3], 0x20000u);
    char name[kQrddNameMax];
    qrddReadInputFilename(0, name, 0);
    EXPECT_STREQ(name, "clip A.mpg");
    qrddReadSemaphore(0, code, 0, 0);
    EXPECT_EQ(code, 11u);
    qrddReadFirstLast(0, first, 0, 0);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(Shared(0), 1u);
    EXPECT_EQ(loop_->FirstFlagsCleared(), 1u);

    // The start: the words leave for the board and the call returns once the last flag is clear.
    EXPECT_EQ(Call(mwcmd, "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x20000 0x0 -L0"), 1);
    std::uint32_t last = 1;
    qrddReadFirstLast(0, last, 0, 1);
    EXPECT_EQ(last, 0u);
    const auto commands = WaitForCommands(1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], (DecodedCommand{false, 0, 0x93, 0, {0xFFFFFFFF, 0xFFFFFFFF, 0x20000, 0}}));
    EXPECT_EQ(loop_->SendResults(), (std::vector<int>{1}));
}

TEST_F(CommandsToTheBoard, MailboxWaitEndsWithinItsBoundOnABoardThatNeverAnswers) {
    stepping_.store(false);
    std::vector<std::string> boxes;
    auto previous = platform::SetMessageBoxHook(
        [&](const std::string& text, const std::string&, platform::MessageButtons, platform::MessageIcon) {
            boxes.push_back(text);
            return platform::MessageAnswer::Ok;
        });
    ruvent::CommandPacket packet(0x1000);
    const std::uint32_t words[2] = {0, 0x9E0000};
    packet.AppendClientCommands(words, 8, 0);
    ASSERT_EQ(ruvent::SendCommandPacket(packet, Window(), 0), 1);
    // Nobody takes the first packet, so the second waits out the shipped bound.
    EXPECT_EQ(ruvent::SendCommandPacket(packet, Window(), 0), ruvent::kMailboxFailed);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Driver Communication Error"}));
    platform::SetMessageBoxHook(previous);
}
