// The recording's writer thread: every byte reaches the target in order, from a copy (the caller
// reuses its buffer at once), full slots that queued up while the target was busy go out
// together, and each refused write is reported exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "ruvent/background_writer.h"

using ruvent::BackgroundWriter;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Log {
    std::mutex mutex;
    Bytes bytes;
    std::vector<std::uint32_t> writes;
    bool closed = false;
};

// Records what it is given; optionally holds its first write until released, as a slow disk
// would, and refuses every write, as a full one would.
class Target final : public ruvent::StreamObject {
public:
    Target(Log& log, bool refuse, std::promise<void>* entered, std::shared_future<void> firstWrite)
        : log_(log), refuse_(refuse), entered_(entered), firstWrite_(std::move(firstWrite)) {}
    ~Target() override {
        std::lock_guard lock(log_.mutex);
        log_.closed = true;
    }
    std::uint32_t Read(std::uint8_t*, std::uint32_t) override { return 0; }
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override {
        if (firstWrite_.valid()) {
            entered_->set_value();
            firstWrite_.wait();
            firstWrite_ = {};
        }
        std::lock_guard lock(log_.mutex);
        log_.bytes.insert(log_.bytes.end(), buffer, buffer + bytes);
        log_.writes.push_back(bytes);
        return !refuse_;
    }

private:
    Log& log_;
    bool refuse_;
    std::promise<void>* entered_;
    std::shared_future<void> firstWrite_;
};

struct Case {
    const char* name;
    std::vector<std::uint32_t> pieces;
    bool slowFirstWrite;  // the rest queue up behind the first
    bool refuse;
    bool drain;  // Drain() before the writer goes; else its destructor alone must write it all
    std::vector<std::uint32_t> targetWrites;  // empty: not checked (depends on the thread's pace)
};

const Case kCases[] = {
    {"full slots behind a slow write go out as one", {8192, 8192, 8192, 8192}, true, false, true, {8192, 24576}},
    {"short pieces go one by one", {6072, 6072, 100, 6072}, true, false, true, {6072, 6072, 100, 6072}},
    {"a piece larger than a slot gets new slots", {100, 8192, 20000, 5}, false, false, true, {}},
    {"destroyed without a drain, every byte still arrives", {4096, 4096, 4096, 4096, 4096, 4096, 77}, false, false,
     false, {}},
    {"a full disk: each piece refused is reported once", {4096, 4096, 4096, 4096, 4096, 4096, 10}, false, true, true,
     {}},
};

TEST(BackgroundWriter, WritesEveryByteInOrderAndReportsEachRefusalOnce) {
    for (const Case& c : kCases) {
        Log log;
        std::promise<void> entered, release;
        Bytes expected;
        std::uint32_t reported = 0;
        {
            BackgroundWriter writer(std::make_unique<Target>(
                log, c.refuse, &entered, c.slowFirstWrite ? release.get_future().share() : std::shared_future<void>{}));
            std::uint8_t seed = 1;
            for (std::uint32_t size : c.pieces) {
                Bytes piece(size);
                for (auto& b : piece) b = seed++;
                expected.insert(expected.end(), piece.begin(), piece.end());
                if (!writer.Write(piece.data(), size)) ++reported;
                std::fill(piece.begin(), piece.end(), 0xEE);  // the writer works from its own copy
                if (c.slowFirstWrite && expected.size() == size) entered.get_future().wait();
            }
            if (c.slowFirstWrite) release.set_value();
            if (c.drain) reported += writer.Drain();
        }
        std::lock_guard lock(log.mutex);
        EXPECT_TRUE(log.bytes == expected) << c.name;
        EXPECT_TRUE(log.closed) << c.name;
        if (!c.targetWrites.empty()) {
            EXPECT_EQ(log.writes, c.targetWrites) << c.name;
        }
        EXPECT_EQ(reported, c.refuse ? c.pieces.size() : 0u) << c.name;
    }
}

}  // namespace

namespace {

// A disk that hangs (a network or FUSE file system): the first write blocks until released.
// Everything it records lives in a state the test shares, since it may outlive the writer.
struct HangingDisk {
    std::mutex mutex;
    std::promise<void> entered;
    std::promise<void> release;
    Bytes bytes;
    bool unfinished = false, boardReadable = true, closed = false;
};

class HangingTarget final : public ruvent::StreamObject {
public:
    explicit HangingTarget(std::shared_ptr<HangingDisk> disk)
        : disk_(std::move(disk)), released_(disk_->release.get_future()) {}
    ~HangingTarget() override {
        std::lock_guard lock(disk_->mutex);
        disk_->closed = true;
    }
    std::uint32_t Read(std::uint8_t*, std::uint32_t) override { return 0; }
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override {
        if (released_.valid()) {
            disk_->entered.set_value();
            released_.wait();
            released_ = {};
        }
        std::lock_guard lock(disk_->mutex);
        disk_->bytes.insert(disk_->bytes.end(), buffer, buffer + bytes);
        return true;
    }
    void EndUnfinished(bool boardReadable) override {
        std::lock_guard lock(disk_->mutex);
        disk_->unfinished = true;
        disk_->boardReadable = boardReadable;
    }

private:
    std::shared_ptr<HangingDisk> disk_;
    std::future<void> released_;
};

}  // namespace

// No wait of the service loop on the disk outlasts the limit: a write with no free slot, the
// drain and the close each come back as an overrun, and the writer held up in the file system
// finishes on its own later, writing nothing after the gap and reading nothing of the board.
TEST(BackgroundWriter, AHangingDiskIsAnOverrunAndTheCallerGoesOn) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kLimit = std::chrono::milliseconds(100);
    constexpr auto kPromptly = std::chrono::milliseconds(1500);  // the limit and a loaded machine
    auto disk = std::make_shared<HangingDisk>();
    auto entered = disk->entered.get_future();
    Bytes first(4096, 1), second(4096, 2), third(4096, 3);
    auto writer = std::make_unique<BackgroundWriter>(std::make_unique<HangingTarget>(disk), 2, kLimit);
    ASSERT_TRUE(writer->Write(first.data(), 4096));
    entered.wait();
    ASSERT_TRUE(writer->Write(second.data(), 4096));  // the second slot
    auto started = Clock::now();
    EXPECT_FALSE(writer->Write(third.data(), 4096)) << "no slot came free";
    EXPECT_LT(Clock::now() - started, kPromptly);
    EXPECT_FALSE(writer->Write(third.data(), 4096)) << "nothing is queued after a gap";
    started = Clock::now();
    EXPECT_GE(writer->Drain(), 1u);
    writer->EndUnfinished(true);
    writer.reset();
    EXPECT_LT(Clock::now() - started, kPromptly) << "the drain and the close";
    {
        std::lock_guard lock(disk->mutex);
        EXPECT_FALSE(disk->closed);
    }
    disk->release.set_value();
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard lock(disk->mutex);
            if (disk->closed) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(disk->mutex);
    EXPECT_TRUE(disk->closed);
    EXPECT_TRUE(disk->bytes == first) << "the write under way ends, and nothing after it is written";
    EXPECT_TRUE(disk->unfinished);
    EXPECT_FALSE(disk->boardReadable);
}
