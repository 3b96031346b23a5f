// Recording with the disk kept busy: the service loop hands each drained output pair to a
// BackgroundWriter, which copies it into a staging slot and returns, so the pair goes back to the
// board at once; a thread of its own writes the slots to the real output object in order.
//
// No wait of the caller's is unbounded: a disk that takes longer than the limit (a network or FUSE
// file system that blocks) is a disk overrun, and the caller goes on. The thread and everything it
// touches (the slots, the output object) live in a state both share, so a writer held up in the
// file system may outlive this object: it finishes the write it is in, writes nothing more, ends
// the output at its last whole picture and then goes, without the board or the caller.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "ruvent/stream_objects.h"

namespace ruvent {

class BackgroundWriter final : public StreamObject {
public:
    static constexpr std::uint32_t kDefaultSlots = 4;
    // How long the caller waits for the disk at most, for room, a drain or the close.
    static constexpr std::chrono::milliseconds kDefaultWaitLimit{2000};

    explicit BackgroundWriter(std::unique_ptr<StreamObject> target, std::uint32_t slots = kDefaultSlots,
                              std::chrono::milliseconds waitLimit = kDefaultWaitLimit);
    // Writes every byte taken and closes the target, waiting for that at most the limit; a writer
    // still held up then is left to finish on its own (see above).
    ~BackgroundWriter() override;
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Reads the target once everything taken is written (0 when that takes longer than the limit).
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;
    // Copies the bytes (the caller may reuse the buffer at once) and queues them; waits only
    // while every slot is still queued, which paces the caller to the disk. False reports one
    // earlier write the target refused (a full disk, a file that could not be created): errors
    // arrive a call late, but each is reported once, here or by Drain(). False also when no slot
    // came free within the limit: those bytes are dropped, and so is every later write, so that
    // the file never holds data after a gap.
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override;
    // Waits until the target has everything taken; returns how many of its refusals Write has
    // not reported yet, plus one when the target did not get it all within the limit.
    std::uint32_t Drain();
    // The stream ends without the board's stop (the service loop ends under a running
    // recording): the target is closed unfinished once everything taken is written.
    void EndUnfinished(bool boardReadable) override;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared);
    bool WaitForRoom(std::unique_lock<std::mutex>& lock, std::uint32_t bytes);
    bool WaitUntilWritten(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<Shared> shared_;
    const std::chrono::milliseconds waitLimit_;
    bool stalled_ = false;  // a wait ran out: nothing more is queued
    std::thread thread_;
};

}  // namespace ruvent
