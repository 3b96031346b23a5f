// The writer thread behind a recording. Slots are filled by the one caller (the service loop) and
// written by the thread in the order they were filled. When the disk lags, full slots that lie
// back to back go out in one write: fewer, larger direct writes keep the disk busiest.
#include "ruvent/background_writer.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

namespace ruvent {
namespace {

constexpr std::uint32_t kPage = 4096;

}  // namespace

// What the caller and the thread share. The thread holds it too, so a thread the caller stopped
// waiting for still owns its slots and its target.
struct BackgroundWriter::Shared {
    Shared(std::unique_ptr<StreamObject> output, std::uint32_t count)
        : target(std::move(output)), slots(count < 1 ? 1 : count), lengths(new std::uint32_t[slots]()) {}
    ~Shared() { std::free(memory); }

    std::unique_ptr<StreamObject> target;
    const std::uint32_t slots;
    std::uint32_t capacity = 0;       // bytes per slot, whole pages
    std::uint8_t* memory = nullptr;   // the slots back to back, page aligned for direct writes
    std::unique_ptr<std::uint32_t[]> lengths;
    std::mutex mutex;
    std::condition_variable changed;
    std::uint32_t head = 0;           // the oldest queued slot
    std::uint32_t queued = 0;         // slots queued, including those being written
    std::uint32_t refused = 0;        // writes the target refused, not yet reported
    bool stop = false;                // nothing more comes: write what is queued, then close
    bool unfinished = false;          // the stream ends without the board's stop
    bool boardReadable = true;
    bool abandoned = false;           // the caller has gone: write nothing more, then close
    bool closed = false;              // the target is closed
};

BackgroundWriter::BackgroundWriter(std::unique_ptr<StreamObject> target, std::uint32_t slots,
                                   std::chrono::milliseconds waitLimit)
    : shared_(std::make_shared<Shared>(std::move(target), slots)), waitLimit_(waitLimit) {
    try {
        thread_ = std::thread([shared = shared_] { Run(shared); });
    } catch (const std::system_error&) {
        // No thread to be had: Write writes on the caller's thread, as before.
    }
}

BackgroundWriter::~BackgroundWriter() {
    Shared& s = *shared_;
    if (!thread_.joinable()) {
        if (s.unfinished) s.target->EndUnfinished(s.boardReadable);
        s.target.reset();
        return;
    }
    std::unique_lock lock(s.mutex);
    s.stop = true;
    // After a wait that ran out the disk is known to hang: the caller does not wait for it again.
    if (stalled_) s.abandoned = true;
    s.changed.notify_all();
    if (!s.abandoned && !s.changed.wait_for(lock, waitLimit_, [&s] { return s.closed; })) s.abandoned = true;
    const bool closed = s.closed;
    lock.unlock();
    if (closed) {
        thread_.join();
    } else {
        // Held up in the file system: the thread ends the target on its own once the write it is
        // in returns, touching only what it shares with nobody any more.
        thread_.detach();
    }
}

bool BackgroundWriter::WaitUntilWritten(std::unique_lock<std::mutex>& lock) {
    Shared& s = *shared_;
    if (stalled_ || !s.changed.wait_for(lock, waitLimit_, [&s] { return s.queued == 0; })) {
        stalled_ = true;
        return false;
    }
    return true;
}

bool BackgroundWriter::WaitForRoom(std::unique_lock<std::mutex>& lock, std::uint32_t bytes) {
    Shared& s = *shared_;
    if (bytes <= s.capacity && s.memory) {
        if (s.changed.wait_for(lock, waitLimit_, [&s] { return s.queued < s.slots; })) return true;
        stalled_ = true;
        return false;
    }
    // Larger than a slot (pairs keep their length while a stream runs, so this is the first):
    // new slots once the old ones are written.
    if (!WaitUntilWritten(lock)) return false;
    std::free(s.memory);
    s.capacity = (bytes + kPage - 1) / kPage * kPage;
    s.memory = static_cast<std::uint8_t*>(std::aligned_alloc(kPage, std::size_t{s.capacity} * s.slots));
    if (!s.memory) s.capacity = 0;
    return true;
}

bool BackgroundWriter::Write(std::uint8_t* buffer, std::uint32_t bytes) {
    Shared& s = *shared_;
    if (!thread_.joinable()) return s.target->Write(buffer, bytes);
    if (stalled_) return false;
    std::unique_lock lock(s.mutex);
    // A disk that has not made room within the limit: an overrun, and these bytes are dropped.
    if (!WaitForRoom(lock, bytes)) return false;
    if (!s.memory) {
        // Out of memory for the slots: this write goes straight through (nothing is queued, so the
        // thread does not touch the target meanwhile).
        lock.unlock();
        return s.target->Write(buffer, bytes);
    }
    const std::uint32_t slot = (s.head + s.queued) % s.slots;
    // The free slot is the caller's alone: the thread touches queued slots only.
    lock.unlock();
    std::memcpy(s.memory + std::size_t{slot} * s.capacity, buffer, bytes);
    lock.lock();
    s.lengths[slot] = bytes;
    ++s.queued;
    s.changed.notify_all();
    if (s.refused == 0) return true;
    --s.refused;
    return false;
}

std::uint32_t BackgroundWriter::Drain() {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    const bool written = WaitUntilWritten(lock);
    const std::uint32_t refused = s.refused;
    s.refused = 0;
    return refused + (written ? 0 : 1);
}

void BackgroundWriter::EndUnfinished(bool boardReadable) {
    std::lock_guard lock(shared_->mutex);
    shared_->unfinished = true;
    shared_->boardReadable = boardReadable;
}

std::uint32_t BackgroundWriter::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    {
        std::unique_lock lock(shared_->mutex);
        if (thread_.joinable() && !WaitUntilWritten(lock)) {
            lastTransfer_ = 0;
            return 0;
        }
    }
    lastTransfer_ = shared_->target->Read(buffer, bytes);
    return lastTransfer_;
}

void BackgroundWriter::Run(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.changed.wait(lock, [&s] { return s.queued > 0 || s.stop || s.abandoned; });
        if (s.queued == 0 || s.abandoned) break;  // everything written, or nobody waits for the rest
        std::uint32_t count = 1;
        std::uint64_t total = s.lengths[s.head];
        while (count < s.queued && s.head + count < s.slots && s.lengths[s.head + count - 1] == s.capacity &&
               total + s.lengths[s.head + count] <= std::numeric_limits<std::uint32_t>::max()) {
            total += s.lengths[s.head + count];
            ++count;
        }
        std::uint8_t* data = s.memory + std::size_t{s.head} * s.capacity;
        lock.unlock();
        const bool written = s.target->Write(data, static_cast<std::uint32_t>(total));
        lock.lock();
        // Each slot is one of the caller's writes, and each would have been refused on its own.
        if (!written) s.refused += count;
        s.head = (s.head + count) % s.slots;
        s.queued -= count;
        s.changed.notify_all();
    }
    // A writer its caller gave up on ends the output as unfinished and reads no more of the board,
    // which by now may serve another recording.
    const bool unfinished = s.unfinished || s.abandoned;
    const bool boardReadable = s.boardReadable && !s.abandoned;
    lock.unlock();
    if (unfinished) s.target->EndUnfinished(boardReadable);
    s.target.reset();
    lock.lock();
    s.closed = true;
    s.changed.notify_all();
}

}  // namespace ruvent
