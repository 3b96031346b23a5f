// The software board driven step by step in the test's own process, through the driver library.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/shared_memory.h"
#include "softboard/soft_board.h"
#include "tessolk/board_map.h"
#include "tessolk/board_segments.h"
#include "tessolk/tessolk.h"

using namespace softboard;
using namespace board_map;

namespace {

constexpr std::int64_t kMs = 1000;

std::unique_ptr<SoftBoard> MakeBoard(SoftBoardOptions options = {}) {
    std::string error;
    auto board = SoftBoard::Create(options, &error);
    EXPECT_TRUE(board) << error;
    return board;
}

std::uint32_t WindowWord(const SoftBoard& board, std::uint32_t offset) {
    std::uint32_t value;
    std::memcpy(&value, board.Window() + offset, 4);
    return value;
}

}  // namespace

TEST(SoftBoard, InterruptsStartAndStopAsTheControlRegisterSays) {
    SoftBoardOptions options;
    options.interruptPeriodMs = 5;
    auto board = MakeBoard(options);
    ASSERT_EQ(qrddSendEventHandle(0, "QRInterrupt0"), kQrddOk);
    auto event = platform::NamedEvent::Open("QRInterrupt0");
    ASSERT_TRUE(event);

    board->Step(0);
    board->Step(100 * kMs);
    EXPECT_FALSE(board->InterruptsRunning());
    EXPECT_EQ(board->InterruptCount(), 0u);

    ASSERT_EQ(qrddWriteInt32(0, kControlRegister, kControlStart), kQrddOk);
    board->Step(100 * kMs);
    EXPECT_TRUE(board->InterruptsRunning());
    EXPECT_EQ(board->InterruptCount(), 0u);  // the first comes one period after the start
    board->Step(104 * kMs);
    EXPECT_EQ(board->InterruptCount(), 0u);
    board->Step(105 * kMs);
    EXPECT_EQ(board->InterruptCount(), 1u);
    EXPECT_TRUE(event->Wait(0));
    board->Step(110 * kMs);
    board->Step(115 * kMs);
    EXPECT_EQ(board->InterruptCount(), 3u);

    // A start while running changes nothing; a reset stops the interrupts.
    ASSERT_EQ(qrddWriteInt32(0, kControlRegister, kControlStart), kQrddOk);
    board->Step(116 * kMs);
    EXPECT_EQ(board->InterruptCount(), 3u);
    ASSERT_EQ(qrddWriteInt32(0, kControlRegister, kControlReset), kQrddOk);
    board->Step(117 * kMs);
    EXPECT_FALSE(board->InterruptsRunning());
    board->Step(500 * kMs);
    EXPECT_EQ(board->InterruptCount(), 3u);

    // A start and a reset taken in one step leave the board stopped; a reset written as a
    // one-word block (as microcode register lists are) counts too.
    qrddWriteInt32(0, kControlRegister, kControlStart);
    qrddWriteInt32(0, kControlRegister, kControlReset);
    board->Step(501 * kMs);
    EXPECT_FALSE(board->InterruptsRunning());
    qrddWriteInt32(0, kControlRegister, kControlStart);
    board->Step(502 * kMs);
    const std::uint32_t reset = kControlReset;
    qrddWriteBlk_ioctl(0, kControlRegister, reinterpret_cast<const char*>(&reset), 4);
    board->Step(503 * kMs);
    EXPECT_FALSE(board->InterruptsRunning());
    platform::NamedEvent::Remove("QRInterrupt0");
}

TEST(SoftBoard, BoardTypeWordAndIdentityFromTheMicrocodeDescriptor) {
    auto board = MakeBoard();
    EXPECT_EQ(WindowWord(*board, kBoardTypeWord), kNewerBoardType);
    EXPECT_EQ(board->Identity().role, BoardRole::None);

    const std::uint32_t descriptor[4] = {kMicrocodeDescriptorMagic, 2, 3, 1};  // encoder, MPEG-1, PAL
    qrddWriteBlk_ioctl(0, kMicrocodeDescriptorAddress, reinterpret_cast<const char*>(descriptor), 16);
    board->Step(0);
    EXPECT_EQ(board->Identity().role, BoardRole::Encoder);
    EXPECT_EQ(board->Identity().format, StreamFormat::Mpeg1);
    EXPECT_EQ(board->Identity().standard, TvStandard::Pal);
    std::uint32_t identity = 0;
    qrddReadInt32(0, kBoardIdentityRegister, identity);
    EXPECT_EQ(identity, PackIdentity(BoardRole::Encoder, StreamFormat::Mpeg1, TvStandard::Pal));
    EXPECT_EQ(DescribeIdentity(board->Identity()), "encoder MPEG-1, PAL");

    qrddWriteInt32(0, kControlRegister, kControlReset);
    board->Step(1);
    EXPECT_EQ(board->Identity().role, BoardRole::None);
    qrddReadInt32(0, kBoardIdentityRegister, identity);
    EXPECT_EQ(identity, 0u);

    // A garbled descriptor makes nothing of the board.
    const std::uint32_t garbled[4] = {kMicrocodeDescriptorMagic, 9, 0, 0};
    qrddWriteBlk_ioctl(0, kMicrocodeDescriptorAddress, reinterpret_cast<const char*>(garbled), 16);
    board->Step(2);
    EXPECT_EQ(board->Identity().role, BoardRole::None);
}

TEST(SoftBoard, OlderBoardTypeOption) {
    SoftBoardOptions options;
    options.board = 1;
    options.boardType = 0x2000;
    auto board = MakeBoard(options);
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(1, physical, host), kQrddOk);
    std::uint32_t type;
    std::memcpy(&type, reinterpret_cast<void*>(host + kBoardTypeWord), 4);
    EXPECT_EQ(type, 0x2000u);
}

TEST(SoftBoard, MailboxPacketIsTakenAndAcknowledged) {
    auto board = MakeBoard();
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
    auto* window = reinterpret_cast<std::uint8_t*>(host);
    qrddWriteSizeArray(0, 0x400, 0);

    const std::uint32_t words[4] = {0, 0x00050204, 0x20008000, 0x20000};
    std::memcpy(window, words, sizeof words);
    const std::uint16_t priority = 4, scheduled = 0;
    std::memcpy(window + 0x400 - 8, &priority, 2);
    std::memcpy(window + 0x400 - 2, &scheduled, 2);
    const std::uint32_t ready = 1;
    std::memcpy(window + kPacketReadyFlag, &ready, 4);

    board->Step(0);
    EXPECT_EQ(WindowWord(*board, kPacketReadyFlag), 0u);
    ASSERT_EQ(board->Packets().size(), 1u);
    EXPECT_EQ(board->Packets()[0].priorityCount, 4u);
    EXPECT_EQ(board->Packets()[0].words, (std::vector<std::uint32_t>(words, words + 4)));
    board->Step(1);
    EXPECT_EQ(board->Packets().size(), 1u);  // nothing waiting, nothing taken
}

TEST(SoftBoard, OneServerPerBoardAndObjectsRemovedOnExit) {
    {
        auto board = MakeBoard();
        std::string error;
        EXPECT_FALSE(SoftBoard::Create({}, &error));
        EXPECT_NE(error.find("already served"), std::string::npos);
        std::uint32_t physical = 0;
        std::uint64_t host = 0;
        EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
        EXPECT_EQ(physical, tessolk::PhysicalWindowBase(0));
    }
    EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::ControlName(0)));
    EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::WindowName(0)));
    EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::MemoryName(0)));
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddNoBoard);
    std::uint32_t value = 0;
    EXPECT_EQ(qrddReadInt32(0, 0x40000, value), kQrddNoBoard);
}
