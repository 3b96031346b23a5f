// Recording with the disk kept busy: the service loop hands each drained output pair to a
// BackgroundWriter, which copies it into a staging slot and returns, so the pair goes back to the
// board at once; a thread of its own writes the slots to the real output object in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "ruvent/stream_objects.h"

namespace ruvent {

class BackgroundWriter final : public StreamObject {
public:
    static constexpr std::uint32_t kDefaultSlots = 4;

    explicit BackgroundWriter(std::unique_ptr<StreamObject> target, std::uint32_t slots = kDefaultSlots);
    // Writes every byte taken, joins the thread, then closes the target on the caller's thread.
    ~BackgroundWriter() override;

    // Reads the target once everything taken is written.
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;
    // Copies the bytes (the caller may reuse the buffer at once) and queues them; waits only
    // while every slot is still queued, which paces the caller to the disk. False reports one
    // earlier write the target refused (a full disk, a file that could not be created): errors
    // arrive a call late, but each is reported once, here or by Drain().
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override;
    // Waits until the target has everything taken; returns how many of its refusals Write has
    // not reported yet.
    std::uint32_t Drain();

private:
    void Run();
    void WaitForRoom(std::unique_lock<std::mutex>& lock, std::uint32_t bytes);

    std::unique_ptr<StreamObject> target_;
    const std::uint32_t slots_;
    std::uint32_t capacity_ = 0;  // bytes per slot, whole pages
    std::uint8_t* memory_ = nullptr;  // slots_ slots back to back, page aligned for direct writes
    std::unique_ptr<std::uint32_t[]> lengths_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t head_ = 0;    // the oldest queued slot
    std::uint32_t queued_ = 0;  // slots queued, including those being written
    std::uint32_t refused_ = 0; // writes the target refused, not yet reported
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace ruvent
