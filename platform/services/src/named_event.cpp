// A named auto-reset event: one 32-bit word in shared memory, 1 when set. Set() stores 1 and wakes
// one waiter; a waiter takes the event by swapping 1 for 0, so exactly one waiter sees each Set().
#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/shared_memory.h"

namespace platform {
namespace {

constexpr std::size_t kEventSize = 64;

std::atomic<std::uint32_t>& AsAtomic(std::uint32_t* word) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
    return *reinterpret_cast<std::atomic<std::uint32_t>*>(word);
}

long Futex(std::uint32_t* word, int op, std::uint32_t value, const timespec* timeout) {
    return ::syscall(SYS_futex, word, op, value, timeout, nullptr, 0);
}

std::string EventObjectName(std::string_view name) { return "event." + std::string(name); }

timespec ToTimespec(std::int64_t nanoseconds) {
    return timespec{static_cast<time_t>(nanoseconds / 1'000'000'000),
                    static_cast<long>(nanoseconds % 1'000'000'000)};
}

std::int64_t MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

std::unique_ptr<NamedEvent> NamedEvent::Open(std::string_view name) {
    auto memory = SharedMemory::Open(EventObjectName(name), kEventSize);
    if (!memory) return nullptr;
    return std::unique_ptr<NamedEvent>(new NamedEvent(std::move(memory)));
}

void NamedEvent::Remove(std::string_view name) { SharedMemory::Remove(EventObjectName(name)); }

void NamedEvent::Set() {
    AsAtomic(Word()).store(1, std::memory_order_release);
    Futex(Word(), FUTEX_WAKE, 1, nullptr);
}

void NamedEvent::Reset() { AsAtomic(Word()).store(0, std::memory_order_release); }

bool NamedEvent::Wait(int timeoutMs) {
    auto& word = AsAtomic(Word());
    const std::int64_t deadline = MonotonicNs() + static_cast<std::int64_t>(timeoutMs) * 1'000'000;
    for (;;) {
        std::uint32_t expected = 1;
        if (word.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) return true;
        if (timeoutMs < 0) {
            Futex(Word(), FUTEX_WAIT, 0, nullptr);
            continue;
        }
        const std::int64_t left = deadline - MonotonicNs();
        if (left <= 0) return false;
        const timespec relative = ToTimespec(left);
        Futex(Word(), FUTEX_WAIT, 0, &relative);
    }
}

}  // namespace platform
