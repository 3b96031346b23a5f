// The software board driven step by step in the test's own process, through the driver library.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/kernel.h"

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

// Fields a stall held up follow one a step until the board has caught up with the clock; a stall
// longer than the board catches up is given up.
TEST(SoftBoard, FieldsHeldUpByAStallFollowIt) {
    SoftBoardOptions options;
    options.interruptPeriodMs = 5;
    auto board = MakeBoard(options);
    ASSERT_EQ(qrddWriteInt32(0, kControlRegister, kControlStart), kQrddOk);
    board->Step(0);
    board->Step(5 * kMs);
    ASSERT_EQ(board->InterruptCount(), 1u);
    const struct {
        std::int64_t stallMs;
        std::uint64_t fieldsAfter;
    } stalls[] = {{100, 20}, {20'000, 1}};
    std::int64_t now = 5 * kMs;
    for (const auto& stall : stalls) {
        const std::uint64_t before = board->InterruptCount();
        now += stall.stallMs * kMs;
        for (int step = 0; step < 50; ++step) board->Step(now);
        EXPECT_EQ(board->InterruptCount() - before, stall.fieldsAfter) << stall.stallMs << " ms";
    }
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

TEST(SoftBoard, TwoStartedTogetherExactlyOneServes) {
    // Two processes released at one moment, 20 times: one serves, the other is refused and leaves
    // the winner's objects as they were.
    struct Start {
        std::atomic<int> go, tried;
    };
    void* page = mmap(nullptr, sizeof(Start), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    auto* start = new (page) Start{};
    enum Outcome { kServedIntact = 10, kRefused = 11, kOther = 12 };
    for (int round = 0; round < 20; ++round) {
        start->go = 0;
        start->tried = 0;
        pid_t children[2];
        for (pid_t& child : children) {
            child = fork();
            if (child != 0) continue;
            const std::int64_t deadline = platform::PerformanceCounter() + 5'000'000;
            while (!start->go && platform::PerformanceCounter() < deadline) {}
            std::string error;
            auto board = SoftBoard::Create({}, &error);
            ++start->tried;
            while (start->tried < 2 && platform::PerformanceCounter() < deadline) platform::SleepUs(100);
            if (!board) _exit(error.find("already served") != std::string::npos ? kRefused : kOther);
            std::uint32_t physical = 0;
            std::uint64_t host = 0;
            const bool intact = platform::SharedMemory::Exists(tessolk::WindowName(0)) &&
                                qrddMapMemory(0, physical, host) == kQrddOk &&
                                WindowWord(*board, kBoardTypeWord) == kNewerBoardType;
            board.reset();
            _exit(intact ? kServedIntact : kOther);
        }
        start->go = 1;
        int outcomes[2];
        for (int i = 0; i < 2; ++i) {
            int status = 0;
            waitpid(children[i], &status, 0);
            outcomes[i] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::sort(outcomes, outcomes + 2);
        ASSERT_EQ(outcomes[0], kServedIntact) << "round " << round;
        ASSERT_EQ(outcomes[1], kRefused) << "round " << round;
        EXPECT_FALSE(platform::SharedMemory::Exists(tessolk::ControlName(0)));
    }
    munmap(page, sizeof(Start));
}

namespace {

// Puts a packet into the mailbox the way the service loop does.
void PostPacket(std::uint8_t* window, const std::vector<std::uint32_t>& priority,
                const std::vector<std::uint32_t>& scheduled, std::uint32_t packetBytes = 0x1000) {
    std::vector<std::uint32_t> words = priority;
    words.insert(words.end(), scheduled.begin(), scheduled.end());
    if (!words.empty()) std::memcpy(window, words.data(), words.size() * 4);
    const auto p = static_cast<std::uint16_t>(priority.size()), s = static_cast<std::uint16_t>(scheduled.size());
    std::memcpy(window + packetBytes - 8, &p, 2);
    std::memcpy(window + packetBytes - 2, &s, 2);
    const std::uint32_t ready = 1;
    std::memcpy(window + kPacketReadyFlag, &ready, 4);
}

}  // namespace

TEST(SoftBoard, DecodesCommandsQueuesPairsAndRunsScheduledCommandsOnTime) {
    auto board = MakeBoard();
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
    auto* window = reinterpret_cast<std::uint8_t*>(host);
    for (std::uint32_t i = 0; i < 4; ++i) qrddWriteSizeArray(0, 0x1000, i);
    for (std::uint32_t i = 4; i < 20; ++i) qrddWriteSizeArray(0, 0x100000, i);
    const std::uint32_t input2 = physical + 0x8000 + 4 * 0x1000 + 2 * 0x100000;
    const std::uint32_t output1 = physical + 0x8000 + 4 * 0x1000 + 9 * 0x100000;

    PostPacket(window,
               {0, 0x00050204, input2, 0x20000, input2 + 0x20000, 0x20000,  // two pairs for input 2
                0, 0x00050102, input2, 0x20000,                            // input 1's area is elsewhere
                0, 0x00060102, output1 + 0x100000 - 0x10000, 0x20000,      // runs past output 1's end
                0, 0x00060102, output1, 0x20000,
                0xFFFFFFFF, 0x00930004, 0xFFFFFFFF, 0xFFFFFFFF, 0x1234, 0},
               {0x00000002, 0x009E2000});  // at 00:00:00:02 (the video channels count fields instead)
    board->Step(0);
    EXPECT_EQ(board->InputPairs(2), (std::vector<QueuedPair>{{input2, 0x20000}, {input2 + 0x20000, 0x20000}}));
    EXPECT_TRUE(board->InputPairs(1).empty());
    EXPECT_EQ(board->OutputPairs(1), (std::vector<QueuedPair>{{output1, 0x20000}}));
    EXPECT_EQ(board->RejectedPairs(), 2u);
    ASSERT_EQ(board->Commands().size(), 5u);
    EXPECT_EQ(board->Commands()[4], (DecodedCommand{false, 0xFFFFFFFF, 0x93, 0, {0xFFFFFFFF, 0xFFFFFFFF, 0x1234, 0}}));
    EXPECT_EQ(DescribeCommand(board->Commands()[4]), "priority: command 0x93 stream 0: 0xFFFFFFFF 0xFFFFFFFF 0x1234 0x0");
    EXPECT_EQ(window[kCommandDoneWord + 2], 2);  // the settings command is done

    // The scheduled command waits for its time code: two frames are four fields.
    ASSERT_EQ(board->WaitingCommands().size(), 1u);
    EXPECT_EQ(DescribeCommand(board->WaitingCommands()[0]), "at 00:00:00:02: command 0x9E stream 32");
    qrddWriteInt32(0, kControlRegister, kControlStart);
    board->Step(0);
    for (int field = 1; field <= 3; ++field) board->Step(field * 20 * kMs);
    EXPECT_EQ(board->WaitingCommands().size(), 1u);
    board->Step(4 * 20 * kMs);
    EXPECT_TRUE(board->WaitingCommands().empty());
    EXPECT_EQ(board->Commands().back().opcode, 0x9Eu);
    EXPECT_EQ(board->Timecode(), 0x00000002u);
}

TEST(SoftBoard, DamagedPacketsAreDecodedOnlyAsFarAsTheyHold) {
    auto board = MakeBoard();
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
    auto* window = reinterpret_cast<std::uint8_t*>(host);
    // A command claiming 200 parameters in a run of five words, then a lone time word.
    PostPacket(window, {0, 0x009E0000, 0, 0x009300C8, 1}, {0xFFFFFFFF});
    board->Step(0);
    ASSERT_EQ(board->Commands().size(), 1u);
    EXPECT_EQ(board->Commands()[0].opcode, 0x9Eu);
    // Counts beyond the packet's capacity are cut to it.
    PostPacket(window, {}, {});
    const std::uint16_t huge = 0xFFFF;
    std::memcpy(window + 0x1000 - 8, &huge, 2);
    board->Step(1);
    EXPECT_EQ(board->Packets().back().words.size(), (0x1000u - 8) / 4);
}

namespace {

// The host's side of the I2C register, toggled as the panel does: clock bit 0, data bit 1, the
// drive enables bits 16 (clock) and 17 (data); a released data line is the devices' to pull.
struct I2cHost {
    void Put(bool clock, bool data, bool driveData = true) {
        qrddWriteInt32(0, kI2cLines, (clock ? 1u : 0u) | (data ? 2u : 0u) | 1u << 16 | (driveData ? 1u << 17 : 0u));
    }
    void Start() { Put(1, 1), Put(1, 0), Put(0, 0); }
    void Stop() { Put(0, 0), Put(1, 0), Put(1, 1); }
    void Send(std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool b = (byte >> bit) & 1;
            Put(0, b), Put(1, b), Put(0, b);
        }
        Put(0, 1, false), Put(1, 1, false), Put(0, 1, false);  // the device's acknowledge
    }
    void Receive(bool acknowledge) {
        for (int bit = 0; bit < 8; ++bit) Put(1, 1, false), Put(0, 1, false);
        Put(0, !acknowledge), Put(1, !acknowledge), Put(0, !acknowledge);
    }
};

}  // namespace

TEST(SoftBoard, VerboseLogShowsOneLinePerI2cTransaction) {
    struct Case {
        std::vector<std::uint8_t> sent;  // the address first
        int received;                    // bytes read after a read address
        const char* line;
    };
    std::vector<std::uint8_t> dspCode{0x20};
    for (int i = 0; i < 20; ++i) dspCode.push_back(std::uint8_t(i));
    const Case cases[] = {
        {{0x40, 0x11, 0x22}, 0, "I2C 0x40 write 2 bytes: 11 22, acknowledged"},
        {{0x5A, 0x00}, 0, "I2C 0x5A write 1 byte: 00, not acknowledged"},
        {{0x21}, 1, "I2C 0x20 read 1 byte: 08, acknowledged"},
        {dspCode, 0, "I2C 0x20 write 20 bytes: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ..., acknowledged"},
    };
    for (const int verbosity : {1, 2}) {
        std::vector<std::string> lines;
        SoftBoardOptions options;
        options.verbosity = verbosity;
        options.log = [&](const std::string& line) { lines.push_back(line); };
        auto board = MakeBoard(options);
        std::int64_t now = 0;
        for (const auto& c : cases) {
            lines.clear();
            I2cHost host;
            host.Start();
            for (auto byte : c.sent) host.Send(byte);
            for (int i = 0; i < c.received; ++i) host.Receive(i + 1 < c.received);
            host.Stop();
            board->Step(now += kMs);
            std::vector<std::string> transactions, toggles;
            for (const auto& line : lines) (line.find("(I2C lines)") != std::string::npos ? toggles : transactions).push_back(line);
            EXPECT_EQ(transactions, std::vector<std::string>{c.line}) << verbosity;
            // Each toggle at -v -v only.
            EXPECT_EQ(toggles.empty(), verbosity == 1) << c.line;
        }
    }
}
