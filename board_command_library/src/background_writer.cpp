// The writer thread behind a recording. Slots are filled by the one caller (the service loop) and
// written by the thread in the order they were filled. When the disk lags, full slots that lie
// back to back go out in one write: fewer, larger direct writes keep the disk busiest.
#include "ruvent/background_writer.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

namespace ruvent {
namespace {

constexpr std::uint32_t kPage = 4096;

}  // namespace

BackgroundWriter::BackgroundWriter(std::unique_ptr<StreamObject> target, std::uint32_t slots)
    : target_(std::move(target)), slots_(slots < 1 ? 1 : slots), lengths_(new std::uint32_t[slots_]()) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: Write writes on the caller's thread, as before.
    }
}

BackgroundWriter::~BackgroundWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::free(memory_);
    target_.reset();
}

void BackgroundWriter::WaitForRoom(std::unique_lock<std::mutex>& lock, std::uint32_t bytes) {
    if (bytes <= capacity_ && memory_) {
        changed_.wait(lock, [this] { return queued_ < slots_; });
        return;
    }
    // Larger than a slot (pairs keep their length while a stream runs, so this is the first):
    // new slots once the old ones are written.
    changed_.wait(lock, [this] { return queued_ == 0; });
    std::free(memory_);
    capacity_ = (bytes + kPage - 1) / kPage * kPage;
    memory_ = static_cast<std::uint8_t*>(std::aligned_alloc(kPage, std::size_t{capacity_} * slots_));
    if (!memory_) capacity_ = 0;
}

bool BackgroundWriter::Write(std::uint8_t* buffer, std::uint32_t bytes) {
    if (!thread_.joinable()) return target_->Write(buffer, bytes);
    std::unique_lock lock(mutex_);
    WaitForRoom(lock, bytes);
    if (!memory_) {
        // Out of memory for the slots: this write goes straight through (nothing is queued).
        lock.unlock();
        return target_->Write(buffer, bytes);
    }
    const std::uint32_t slot = (head_ + queued_) % slots_;
    // The free slot is the caller's alone: the thread touches queued slots only.
    lock.unlock();
    std::memcpy(memory_ + std::size_t{slot} * capacity_, buffer, bytes);
    lock.lock();
    lengths_[slot] = bytes;
    ++queued_;
    changed_.notify_all();
    if (refused_ == 0) return true;
    --refused_;
    return false;
}

std::uint32_t BackgroundWriter::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queued_ == 0; });
    const std::uint32_t refused = refused_;
    refused_ = 0;
    return refused;
}

std::uint32_t BackgroundWriter::Read(std::uint8_t* buffer, std::uint32_t bytes) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queued_ == 0; });
    }
    lastTransfer_ = target_->Read(buffer, bytes);
    return lastTransfer_;
}

void BackgroundWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return queued_ > 0 || stop_; });
        if (queued_ == 0) return;  // stopped with everything written
        std::uint32_t count = 1;
        std::uint64_t total = lengths_[head_];
        while (count < queued_ && head_ + count < slots_ && lengths_[head_ + count - 1] == capacity_ &&
               total + lengths_[head_ + count] <= std::numeric_limits<std::uint32_t>::max()) {
            total += lengths_[head_ + count];
            ++count;
        }
        std::uint8_t* data = memory_ + std::size_t{head_} * capacity_;
        lock.unlock();
        const bool written = target_->Write(data, static_cast<std::uint32_t>(total));
        lock.lock();
        // Each slot is one of the caller's writes, and each would have been refused on its own.
        if (!written) refused_ += count;
        head_ = (head_ + count) % slots_;
        queued_ -= count;
        changed_.notify_all();
    }
}

}  // namespace ruvent
