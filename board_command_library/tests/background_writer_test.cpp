// The recording's writer thread: every byte reaches the target in order, from a copy (the caller
// reuses its buffer at once), full slots that queued up while the target was busy go out
// together, and each refused write is reported exactly once.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
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
