// The driver library: board presence, the board's address space and the register file.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/shared_memory.h"

#include "softboard/soft_board.h"
#include "tessolk/board_map.h"
#include "tessolk/board_segments.h"
#include "tessolk/tessolk.h"

namespace {

std::unique_ptr<softboard::SoftBoard> MakeBoard(std::uint32_t board = 0) {
    softboard::SoftBoardOptions options;
    options.board = board;
    return softboard::SoftBoard::Create(options);
}

}  // namespace

TEST(Tessolk, WithoutASoftwareBoardMapMemoryReportsNoBoard) {
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddNoBoard);
    EXPECT_EQ(qrddMapMemory(1, physical, host), kQrddNoBoard);
    EXPECT_EQ(qrddMapMemory(2, physical, host), kQrddBadArgument);
    // The register file still works for callers in this process.
    EXPECT_EQ(qrddWriteSharedMem(0, 0x55, 3), kQrddOk);
    std::uint32_t value = 0;
    EXPECT_EQ(qrddReadSharedMem(0, value, 3), kQrddOk);
    EXPECT_EQ(value, 0x55u);
}

TEST(Tessolk, BoardMemoryAndWindow) {
    auto board = MakeBoard();
    ASSERT_TRUE(board);
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
    ASSERT_NE(host, 0u);
    const std::uint32_t word = 0xCAFEF00D;
    std::memcpy(reinterpret_cast<void*>(host + 0x1010), &word, 4);
    std::uint32_t seen;
    std::memcpy(&seen, board->Window() + 0x1010, 4);
    EXPECT_EQ(seen, word);

    EXPECT_EQ(qrddWriteInt32(0, 0x40100, 0x1234), kQrddOk);
    std::uint32_t value = 0;
    EXPECT_EQ(qrddReadInt32(0, 0x40100, value), kQrddOk);
    EXPECT_EQ(value, 0x1234u);

    const char block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(qrddWriteBlk_ioctl(0, 0x80000, block, 8), kQrddOk);
    char back[8] = {};
    EXPECT_EQ(qrddReadBlk_ioctl(0, 0x80000, back, 8), kQrddOk);
    EXPECT_EQ(std::memcmp(block, back, 8), 0);
    EXPECT_EQ(qrddReadInt32(0, 0x80004, value), kQrddOk);
    EXPECT_EQ(value, 0x08070605u);

    // Nothing lands outside the board.
    EXPECT_EQ(qrddWriteInt32(0, board_map::kBoardAddressSpace, 1), kQrddBadArgument);
    EXPECT_EQ(qrddWriteInt32(0, board_map::kBoardAddressSpace - 2, 1), kQrddBadArgument);
    EXPECT_EQ(qrddWriteBlk_ioctl(0, board_map::kBoardAddressSpace - 4, block, 8), kQrddBadArgument);
    EXPECT_EQ(qrddWriteBlk_ioctl(0, 0xFFFFFFFC, block, 8), kQrddBadArgument);
}

TEST(Tessolk, RegisterFileSlotsAndBounds) {
    auto board = MakeBoard(1);
    ASSERT_TRUE(board);
    const std::string longName(400, 'x');
    EXPECT_EQ(qrddWriteInputFilename(1, longName.c_str(), 15), kQrddOk);
    char name[kQrddNameMax];
    EXPECT_EQ(qrddReadInputFilename(1, name, 15), kQrddOk);
    EXPECT_EQ(std::string(name), std::string(kQrddNameMax - 1, 'x'));
    EXPECT_EQ(qrddWriteInputFilename(1, "a", 16), kQrddBadArgument);
    EXPECT_EQ(qrddWriteOutputFilename(1, "out.mpg", 7), kQrddOk);
    EXPECT_EQ(qrddReadOutputFilename(1, name, 7), kQrddOk);
    EXPECT_STREQ(name, "out.mpg");
    EXPECT_EQ(qrddWriteOutputFilename(1, "out.mpg", 8), kQrddBadArgument);

    EXPECT_EQ(qrddWriteInputFilenameOffset(1, 1, 2, 3, 4, 0), kQrddOk);
    std::uint32_t o[4];
    EXPECT_EQ(qrddReadInputFilenameOffset(1, o[0], o[1], o[2], o[3], 0), kQrddOk);
    EXPECT_EQ(o[0] * 1000 + o[1] * 100 + o[2] * 10 + o[3], 1234u);

    std::uint32_t value = 0;
    EXPECT_EQ(qrddWriteSemaphore(1, 10, 0, 3), kQrddOk);
    EXPECT_EQ(qrddReadSemaphore(1, value, 0, 3), kQrddOk);
    EXPECT_EQ(value, 10u);
    EXPECT_EQ(qrddReadSemaphore(1, value, 0, 3), kQrddOk);  // reading does not clear
    EXPECT_EQ(value, 10u);
    EXPECT_EQ(qrddWriteSemaphore(1, 10, 2, 3), kQrddBadArgument);
    EXPECT_EQ(qrddWriteFirstLast(1, 1, 4, 1), kQrddOk);
    EXPECT_EQ(qrddReadFirstLast(1, value, 4, 1), kQrddOk);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(qrddReadFirstLast(1, value, 4, 0), kQrddOk);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(qrddWriteSharedMem(1, 1, 32), kQrddBadArgument);
    EXPECT_EQ(qrddWriteSizeArray(1, 0x400, 0), kQrddOk);
    EXPECT_EQ(qrddReadSizeArray(1, value, 0), kQrddOk);
    EXPECT_EQ(value, 0x400u);
    const std::uint64_t context[3] = {0x7F0000001000ull, 0x1000, 0x7F0000002124ull};
    EXPECT_EQ(qrddSetDeviceContext(1, context), kQrddOk);
    std::uint64_t read[3] = {};
    EXPECT_EQ(qrddGetDeviceContext(1, read), kQrddOk);
    EXPECT_EQ(read[0], context[0]);
    EXPECT_EQ(read[2], context[2]);
    int passes = 0;
    EXPECT_EQ(qrddWriteLoopTime(1, -1, 2), kQrddOk);
    EXPECT_EQ(qrddReadLoopTime(1, passes, 2), kQrddOk);
    EXPECT_EQ(passes, -1);
}

TEST(Tessolk, ARestartedBoardIsFoundAgain) {
    {
        auto board = MakeBoard();
        qrddWriteInt32(0, 0x40000, 7);
    }
    std::uint32_t value = 0;
    EXPECT_EQ(qrddReadInt32(0, 0x40000, value), kQrddNoBoard);
    auto again = MakeBoard();
    ASSERT_TRUE(again);
    EXPECT_EQ(qrddReadInt32(0, 0x40000, value), kQrddOk);
    EXPECT_EQ(value, 0u);  // a fresh board
}

// A board started by a build of another control block layout would be read in the wrong places
// (a name slot of another length, say): it is no board, and the log names both versions.
TEST(Tessolk, ABoardOfAnotherLayoutIsNoBoard) {
    auto board = MakeBoard();
    ASSERT_TRUE(board);
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);

    std::vector<std::string> logged;
    auto previous = platform::SetLogSink([&](platform::LogLevel, const std::string& text) { logged.push_back(text); });
    auto control = platform::SharedMemory::Open(tessolk::ControlName(0), sizeof(tessolk::BoardControl),
                                                platform::SharedMemory::Mode::OpenExisting);
    ASSERT_TRUE(control);
    auto& block = *static_cast<tessolk::BoardControl*>(control->Data());
    const std::uint32_t other = tessolk::kControlVersion + 1;
    block.version = other;
    EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddNoBoard);
    std::uint32_t value = 0;
    EXPECT_EQ(qrddReadInt32(0, 0x40000, value), kQrddNoBoard);
    block.version = tessolk::kControlVersion;
    EXPECT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
    platform::SetLogSink(previous);

    ASSERT_EQ(logged.size(), 1u);  // said once, not at every call
    EXPECT_NE(logged[0].find("version " + std::to_string(other)), std::string::npos) << logged[0];
    EXPECT_NE(logged[0].find("version " + std::to_string(tessolk::kControlVersion)), std::string::npos) << logged[0];
}

TEST(Tessolk, TheBoardTakesWordsWrittenByOtherThreadsWholeAndInOrder) {
    constexpr std::uint32_t kWriters = 2, kWrites = 5000, kFirstAddress = 0x40100;
    std::vector<std::string> lines;  // filled by this thread alone, which steps the board
    softboard::SoftBoardOptions options;
    options.verbosity = 1;
    options.log = [&](const std::string& line) { lines.push_back(line); };
    auto board = softboard::SoftBoard::Create(options);
    ASSERT_TRUE(board);

    std::atomic<std::uint32_t> finished{0};
    std::vector<std::thread> writers;
    for (std::uint32_t w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (std::uint32_t i = 1; i <= kWrites; ++i) qrddWriteInt32(0, kFirstAddress + 4 * w, w << 24 | i);
            ++finished;
        });
    const std::int64_t deadline = platform::PerformanceCounter() + 30'000'000;
    while (finished < kWriters && platform::PerformanceCounter() < deadline) board->Step(platform::PerformanceCounter());
    for (auto& writer : writers) writer.join();
    board->Step(platform::PerformanceCounter());

    // Each writer's words arrive in the order written, none torn, and every write is either taken
    // or counted among those the board says it missed when it fell a whole journal behind.
    std::uint32_t last[kWriters] = {};
    unsigned taken = 0, missed = 0;
    for (const std::string& line : lines) {
        unsigned address = 0, value = 0, count = 0;
        if (std::sscanf(line.c_str(), "missed %u writes", &count) == 1) missed += count;
        if (std::sscanf(line.c_str(), "write 0x%X <- 0x%X", &address, &value) != 2) continue;
        const std::uint32_t w = (address - kFirstAddress) / 4;
        ASSERT_LT(w, kWriters) << line;
        ASSERT_EQ(value >> 24, w) << line;
        ASSERT_GT(value & 0xFFFFFF, last[w]) << line;
        last[w] = value & 0xFFFFFF;
        ++taken;
    }
    EXPECT_EQ(taken + missed, kWriters * kWrites);
}

// A writer held up for a whole round of the journal comes back to an entry a later write already
// holds: it leaves that write alone (the board counts its own among the missed); and a writer whose
// previous round never finished (its process died) takes the entry after a short wait.
TEST(Tessolk, AJournalEntryIsWrittenOnlyByTheRoundThatOwnsIt) {
    using namespace tessolk;
    const JournalRecord late{kJournalWord, 0x40100, 1, 0}, later{kJournalWord, 0x40104, 2, 0};
    constexpr std::uint64_t index = 5;
    JournalEntry entry{};
    WriteJournalEntry(entry, index + kJournalEntries, later);
    WriteJournalEntry(entry, index, late);
    JournalRecord read;
    EXPECT_EQ(ReadJournalEntry(entry, index, read), JournalRead::Overwritten);
    ASSERT_EQ(ReadJournalEntry(entry, index + kJournalEntries, read), JournalRead::Taken);
    EXPECT_EQ(read.value, later.value);

    entry.sequence.store((index + 1) | std::uint64_t{1} << 63);  // opened, never completed
    EXPECT_EQ(ReadJournalEntry(entry, index, read), JournalRead::Incomplete);
    WriteJournalEntry(entry, index + kJournalEntries, later);
    ASSERT_EQ(ReadJournalEntry(entry, index + kJournalEntries, read), JournalRead::Taken);
    EXPECT_EQ(read.address, later.address);
}
