// The service loop over the recording fake driver: its set-up through the driver, a file opened
// and handed to the board as pairs, interrupts served without allocating, failed driver calls
// logged, the operator's 'q' at a full mailbox dropping one packet, and a set-up that fails
// returned to the caller instead of ending the process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <cstring>
#include <mutex>
#include <fstream>
#include <thread>

#include "board_commands/command_words.h"
#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/shared_memory.h"
#include "ruvent/command_channel.h"
#include "ruvent/command_packet.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"
#include "ruvent/shared_words.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_command_line.h"
#include "tessolk/board_map.h"
#include "velmar_testing/test_support.h"

using namespace ruvent_testing;

// Heap allocations made on one chosen thread (the service loop's), counted for the test that checks
// the interrupt path does without them. Every other thread allocates as usual, uncounted.
namespace {
std::atomic<std::thread::id> g_countedThread{};
std::atomic<int> g_countedAllocations{0};

void* CountedAllocation(std::size_t size) {
    if (std::this_thread::get_id() == g_countedThread.load(std::memory_order_relaxed)) ++g_countedAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocation(size); }
void* operator new[](std::size_t size) { return CountedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr std::uint32_t kPhysical = 0x20000000;  // where the fake maps the window
constexpr std::uint32_t kPair = 0x1000;
// Packet, CBO, MBE, MBO, then input 0 with eight pairs; nothing else.
const char* const kSizes = "-s 0x1000 0x1000 0x400 0x400 0x8000";
constexpr std::uint32_t kInput0 = board_map::kFirstAreaOffset + 0x1000 + 0x1000 + 0x400 + 0x400;

// Runs `mdaemon` on a thread of its own, as the control application does.
class LoopThread {
public:
    explicit LoopThread(const std::string& words) : rounds_(ruvent::ServiceLoopRounds()) {
        thread_ = std::thread([this, words] { result_ = Call(mdaemon, words); });
    }
    ~LoopThread() { Join(); }
    std::thread::id Id() const { return thread_.get_id(); }
    int Join() {
        if (thread_.joinable()) thread_.join();
        return result_;
    }
    // Waits until the loop has finished `n` more rounds since the last call.
    bool WaitRounds(std::uint64_t n) {
        rounds_ += n;
        for (int i = 0; i < 10000 && ruvent::ServiceLoopRounds() < rounds_; ++i) platform::SleepMs(1);
        return ruvent::ServiceLoopRounds() >= rounds_;
    }

private:
    std::uint64_t rounds_;
    int result_ = -1;
    std::thread thread_;
};

struct ServiceLoopFixture : ::testing::Test {
    ServiceLoopFixture() {
        fake.SetWindowBytes(board_map::kFirstAreaOffset + 0x10000);
        previousSink = platform::SetLogSink([this](platform::LogLevel, const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        });
    }
    ~ServiceLoopFixture() override { platform::SetLogSink(previousSink); }
    std::uint32_t WindowWord(std::uint32_t offset) {
        std::uint32_t word = 0;
        std::memcpy(&word, fake.WindowBytes() + offset, 4);
        return word;
    }
    void Interrupt() { platform::NamedEvent::Open("QRInterrupt0")->Set(); }
    void SetWindowWord(std::uint32_t offset, std::uint32_t value) {
        std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(fake.WindowBytes() + offset)).store(value);
    }

    FakeDriver fake;
    ScopedDriver scoped{fake};
    platform::LogSink previousSink;
    std::mutex logMutex;
    std::vector<std::string> log;
};

TEST_F(ServiceLoopFixture, SetsUpServesAnInputAndQuitsThroughTheDriver) {
    const std::string path = velmar_testing::TempDir() + "/clip.bin";
    std::vector<std::uint8_t> clip(3 * kPair);
    for (std::size_t i = 0; i < clip.size(); ++i) clip[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(clip.data()), clip.size());

    LoopThread loop(std::string("mdaemon -nc ") + kSizes);
    ASSERT_TRUE(loop.WaitRounds(1));
    // The layout went to the driver: sizes, area registers, the progress table's address, the event.
    for (std::uint32_t i = 0; i < 5; ++i) {
        std::uint32_t size = 0;
        fake.ReadSizeArray(0, size, i);
        EXPECT_EQ(size, std::vector<std::uint32_t>({0x1000, 0x1000, 0x400, 0x400, 0x8000})[i]);
    }
    EXPECT_EQ(fake.Word(0, board_map::kAreaAddressRegisters + 4), kPhysical + board_map::kFirstAreaOffset + 0x1000);
    EXPECT_EQ(fake.DeviceContext(2),
              reinterpret_cast<std::uintptr_t>(fake.WindowBytes()) + board_map::kStreamProgressTable);
    EXPECT_EQ(fake.EventName(), "QRInterrupt0");
    EXPECT_EQ(WindowWord(board_map::kFirstAreaOffsetWord), board_map::kFirstAreaOffset);

    // An open request: the first two pairs are filled from the file and handed over in one packet.
    fake.WriteInputFilename(0, path.c_str(), 0);
    fake.WriteInputFilenameOffset(0, 0, 0, 0, 0, 0);
    fake.SetSemaphore(0, 0, 0, 11);
    fake.FailNext(FakeDriver::Operation::ReadShared, 1);  // the round's abort check: logged, carried on
    Interrupt();
    ASSERT_TRUE(loop.WaitRounds(1));
    EXPECT_EQ(fake.Semaphore(0, 0, 0), 0u);
    EXPECT_TRUE(std::equal(clip.begin(), clip.begin() + 2 * kPair, fake.WindowBytes() + kInput0));
    EXPECT_EQ(WindowWord(board_map::kPacketReadyFlag), 1u);
    const std::uint32_t* packet = reinterpret_cast<const std::uint32_t*>(fake.WindowBytes() + board_map::kCommandPacket);
    const std::uint32_t pairs[] = {kPhysical + kInput0, kPair, kPhysical + kInput0 + kPair, kPair};
    EXPECT_NE(std::search(packet, packet + 0x400, std::begin(pairs), std::end(pairs)), packet + 0x400);
    {
        std::lock_guard lock(logMutex);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0], "service loop, board 1: ReadSharedMem failed with status 1");
    }

    fake.WriteSharedMem(0, ruvent::shared_word::kQuitValue, ruvent::shared_word::kQuitRequest);
    Interrupt();
    EXPECT_EQ(loop.Join(), ruvent::kLoopQuit);
}

// Round after round the board plays an input pair and fills an output pair; the loop refills and
// drains them with the buffers it set up when the streams opened, never the heap: an allocation
// can wait on a lock another thread holds while the board waits for its packet.
TEST_F(ServiceLoopFixture, RefillsAndDrainsWithoutAllocating) {
    constexpr std::uint32_t kSmallPair = 0x800;  // areas of 0x4000: input 0 and output 0
    const std::string in = velmar_testing::TempDir() + "/clip.bin";
    const std::string out = velmar_testing::TempDir() + "/recorded.bin";
    std::ofstream(in, std::ios::binary) << std::string(32 * kSmallPair, '\x5a');
    LoopThread loop("mdaemon -nc -start -s 0x1000 0x1000 0x400 0x400 0x4000 0 0 0 0 0 0 0 0x4000");
    ASSERT_TRUE(loop.WaitRounds(1));
    fake.WriteInputFilename(0, in.c_str(), 0);
    fake.WriteInputFilenameOffset(0, 0, 0, 0, 0, 0);
    fake.SetSemaphore(0, 0, 0, 11);
    fake.WriteOutputFilename(0, out.c_str(), 0);
    fake.SetSemaphore(0, 1, 0, 11);
    Interrupt();
    ASSERT_TRUE(loop.WaitRounds(1));
    ASSERT_EQ(fake.Semaphore(0, 0, 0), 0u);
    ASSERT_EQ(fake.Semaphore(0, 1, 0), 0u);

    constexpr int kRounds = 6;
    g_countedAllocations = 0;
    g_countedThread = loop.Id();
    for (std::uint32_t round = 1; round <= kRounds; ++round) {
        SetWindowWord(board_map::kPacketReadyFlag, 0);  // the board took the last packet
        SetWindowWord(board_map::ProgressWordOffset(0, 0), round);
        SetWindowWord(board_map::ProgressWordOffset(board_map::kFirstOutputEntry, 0), round);
        Interrupt();
        ASSERT_TRUE(loop.WaitRounds(1)) << "round " << round;
    }
    g_countedThread = std::thread::id{};
    EXPECT_EQ(g_countedAllocations.load(), 0);
    // The rounds did refill: the board was handed the file's pairs beyond the two of the open.
    EXPECT_EQ(WindowWord(kInput0 + 2 * kSmallPair), 0x5a5a5a5au);

    SetWindowWord(board_map::kPacketReadyFlag, 0);
    fake.WriteSharedMem(0, ruvent::shared_word::kQuitValue, ruvent::shared_word::kQuitRequest);
    Interrupt();
    EXPECT_EQ(loop.Join(), ruvent::kLoopQuit);
    // And drained: every pair the board filled went to the file.
    EXPECT_EQ(std::filesystem::file_size(out), kRounds * kSmallPair);
}

// A start whose pairs find no room behind this round's client words waits a round with its flag up:
// the board never gets a header without its pairs, nor a start whose pairs were dropped.
TEST_F(ServiceLoopFixture, StartPairsWithoutRoomBehindClientWordsWaitARound) {
    const std::string path = velmar_testing::TempDir() + "/clip.bin";
    std::ofstream(path, std::ios::binary) << std::string(2 * kPair, '\x33');
    LoopThread loop(std::string("mdaemon -nc ") + kSizes);
    ASSERT_TRUE(loop.WaitRounds(1));
    fake.WriteFirstLast(0, 1, 0, 0);  // the open holds its pairs for the start
    fake.WriteInputFilename(0, path.c_str(), 0);
    fake.WriteInputFilenameOffset(0, 0, 0, 0, 0, 0);
    fake.SetSemaphore(0, 0, 0, 11);
    Interrupt();
    ASSERT_TRUE(loop.WaitRounds(1));

    // 1020 of the packet's 1022 words: a header would fit, its four pair words would not.
    const std::vector<std::uint32_t> words(1020, 0);
    ASSERT_TRUE(ruvent::CommandChannel::OpenCommandObject(0)->PostCommandBlock(1020 * 4, 0, words.data()));
    fake.WriteFirstLast(0, 1, 0, 1);
    const std::uint32_t header = board_commands::Make(board_commands::kPacketBufferPair, 0, 4);
    const std::uint32_t pairs[] = {0, header, kPhysical + kInput0, kPair, kPhysical + kInput0 + kPair, kPair};
    for (const std::uint32_t priority : {1020u, 6u}) {
        SetWindowWord(board_map::kPacketReadyFlag, 0);
        Interrupt();
        ASSERT_TRUE(loop.WaitRounds(1));
        const std::uint8_t* packet = fake.WindowBytes() + board_map::kCommandPacket;
        std::uint16_t count = 0;
        std::memcpy(&count, packet + 0x1000 - 8, 2);
        EXPECT_EQ(count, priority);
        EXPECT_EQ(fake.FirstLast(0, 0, 1), priority == 6 ? 0u : 1u);
        if (priority == 6) {
            EXPECT_EQ(std::memcmp(packet, pairs, sizeof pairs), 0);
        }
    }

    fake.WriteSharedMem(0, ruvent::shared_word::kQuitValue, ruvent::shared_word::kQuitRequest);
    Interrupt();
    EXPECT_EQ(loop.Join(), ruvent::kLoopQuit);
}

// The operator's 'q' while the mailbox is still full drops that round's packet; the loop serves on.
TEST_F(ServiceLoopFixture, QuitKeyDuringTheMailboxWaitDropsThePacketOnly) {
    const std::string path = velmar_testing::TempDir() + "/clip.bin";
    std::ofstream(path, std::ios::binary) << std::string(3 * kPair, '\x5a');
    const auto previousKeys = ruvent::SetConsoleKeySource([] { return true; });
    LoopThread loop(std::string("mdaemon -nc ") + kSizes);
    ASSERT_TRUE(loop.WaitRounds(1));
    std::memset(fake.WindowBytes() + board_map::kPacketReadyFlag, 1, 1);  // the board never takes it
    fake.WriteInputFilename(0, path.c_str(), 0);
    fake.WriteInputFilenameOffset(0, 0, 0, 0, 0, 0);
    fake.SetSemaphore(0, 0, 0, 11);
    for (int round = 0; round < 3; ++round) {
        Interrupt();
        EXPECT_TRUE(loop.WaitRounds(1)) << "round " << round;
    }
    EXPECT_EQ(fake.Semaphore(0, 0, 0), 0u);  // the open was served, its packet dropped
    ruvent::SetConsoleKeySource(previousKeys);
    fake.WriteSharedMem(0, ruvent::shared_word::kQuitValue, ruvent::shared_word::kQuitRequest);
    Interrupt();
    EXPECT_EQ(loop.Join(), ruvent::kLoopQuit);
}

// A set-up that fails returns to the caller with the console line and the box, and a status of its
// own (the panel closes without a word on a quit); the process (this test) goes on.
TEST_F(ServiceLoopFixture, FailedSetUpReturnsInsteadOfEndingTheProcess) {
    struct Case {
        const char* name;
        std::function<std::function<void()>()> prepare;  // returns the undo
        const char* console;
        std::vector<std::string> boxes;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"no buffers",
         [&] {
             fake.SetMapFails(true);
             return std::function<void()>([&] { fake.SetMapFails(false); });
         },
         " Allocate Common Buffer Fail ",
         {"Allocation Error: Unable to Allocate Buffers. Try Restarting Windows. Program will Close."},
         {"service loop, board 1: MapMemory failed with status 1"}},
        {"command channel held by a live loop elsewhere",
         [] {
             const pid_t parent = getpid();
             const pid_t holder = fork();
             if (holder == 0) {
                 velmar_testing::EndWithParent(parent);
                 auto channel = ruvent::CommandChannel::CreateCommandObject(0);
                 for (;;) pause();
             }
             // Until the other process owns the channel.
             for (int i = 0; i < 5000; ++i) {
                 auto client = ruvent::CommandChannel::OpenCommandObject(0);
                 if (client && client->OwnerAlive()) break;
                 platform::SleepMs(1);
             }
             return std::function<void()>([holder] {
                 kill(holder, SIGKILL);
                 waitpid(holder, nullptr, 0);
             });
         },
         "CreateFileMapping fail in generating Command Daemon",
         {"Velmar Error: CreateFileMapping fail in generating Command Daemon"},
         {}},
    };
    static_assert(ruvent::kLoopSetUpFailed != ruvent::kLoopQuit && ruvent::kLoopSetUpFailed != ruvent::kLoopBoardSilent);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> boxes;
        const auto previous = platform::SetMessageBoxHook(
            [&](const std::string& text, const std::string& caption, platform::MessageButtons, platform::MessageIcon) {
                boxes.push_back(caption + ": " + text);
                return platform::MessageAnswer::Ok;
            });
        const auto undo = c.prepare();
        ::testing::internal::CaptureStdout();
        LoopThread loop(std::string("mdaemon -nc -start ") + kSizes);
        EXPECT_EQ(loop.Join(), ruvent::kLoopSetUpFailed);
        const std::string console = ::testing::internal::GetCapturedStdout();
        undo();
        platform::SetMessageBoxHook(previous);
        EXPECT_NE(console.find(c.console), std::string::npos) << console;
        EXPECT_EQ(boxes, c.boxes);
        std::lock_guard lock(logMutex);
        EXPECT_EQ(log, c.log);
        log.clear();
    }
}

// The interrupt count (every 60th interrupt) reaches the console at the verbose log level only.
TEST_F(ServiceLoopFixture, InterruptCountIsPrintedAtTheVerboseLevelOnly) {
    const struct {
        platform::LogLevel level;
        const char* console;
    } cases[] = {{platform::LogLevel::Info, ""}, {platform::LogLevel::Debug, "1\n61\n"}};
    for (const auto& c : cases) {
        platform::SetLogLevel(c.level);
        ::testing::internal::CaptureStdout();
        LoopThread loop(std::string("mdaemon -nc ") + kSizes);
        ASSERT_TRUE(loop.WaitRounds(1));
        for (int i = 0; i < 61; ++i) {
            Interrupt();
            ASSERT_TRUE(loop.WaitRounds(1));
        }
        fake.WriteSharedMem(0, ruvent::shared_word::kQuitValue, ruvent::shared_word::kQuitRequest);
        Interrupt();
        EXPECT_EQ(loop.Join(), ruvent::kLoopQuit);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.console);
    }
    platform::SetLogLevel(platform::LogLevel::Info);
}

}  // namespace
