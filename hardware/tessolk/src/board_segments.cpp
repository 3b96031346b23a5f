#include "tessolk/board_segments.h"

#include <chrono>
#include <thread>

namespace tessolk {

std::string ControlName(std::uint32_t board) { return "tessolk.b" + std::to_string(board); }
std::string WindowName(std::uint32_t board) { return ControlName(board) + ".window"; }
std::string MemoryName(std::uint32_t board) { return ControlName(board) + ".memory"; }
std::string OwnerName(std::uint32_t board) { return ControlName(board) + ".owner"; }

namespace {

// An entry's sequence while its writer stores the fields: that write's index + 1 with this bit set.
constexpr std::uint64_t kOpen = std::uint64_t{1} << 63;
// How long a writer waits for the writer of the entry's previous round to finish before it takes
// the entry anyway (that writer's process died in the middle of its write).
constexpr auto kPreviousWriterLimit = std::chrono::milliseconds(100);

std::uint64_t WriteOf(std::uint64_t sequence) { return sequence & ~kOpen; }

}  // namespace

// A writer owns the entry before it stores a field: it opens the entry only once the write one
// round before (index - kJournalEntries) is complete, and gives up when a later round already holds
// it. A writer held up for a whole round can then neither tear a later write nor leave its older
// sequence over it, which would keep the board waiting for an entry that is never completed; the
// board counts the write it gave up among those it missed.
//
// Release stores and acquire loads of the fields (no fences, which ThreadSanitizer does not
// model): a reader that saw any field of a newer write also sees that write's opening exchange,
// so its second sequence read cannot still find the entry complete.
void WriteJournalEntry(JournalEntry& entry, std::uint64_t index, const JournalRecord& record) {
    constexpr auto release = std::memory_order_release;
    const std::uint64_t mine = index + 1;
    const std::uint64_t previous = index >= kJournalEntries ? mine - kJournalEntries : 0;
    const auto giveUpWaiting = std::chrono::steady_clock::now() + kPreviousWriterLimit;
    for (;;) {
        std::uint64_t sequence = entry.sequence.load(std::memory_order_acquire);
        if (WriteOf(sequence) >= mine) return;  // a later round holds the entry
        const bool previousDone = sequence == previous;
        if ((previousDone || std::chrono::steady_clock::now() >= giveUpWaiting) &&
            entry.sequence.compare_exchange_weak(sequence, mine | kOpen, std::memory_order_acq_rel))
            break;
        if (!previousDone) std::this_thread::yield();
    }
    entry.kind.store(record.kind, release);
    entry.address.store(record.address, release);
    entry.value.store(record.value, release);
    entry.firstWord.store(record.firstWord, release);
    std::uint64_t open = mine | kOpen;
    // Fails only when a later round took the entry from a writer that had stalled past the limit.
    entry.sequence.compare_exchange_strong(open, mine, release, std::memory_order_relaxed);
}

JournalRead ReadJournalEntry(const JournalEntry& entry, std::uint64_t index, JournalRecord& record) {
    constexpr auto acquire = std::memory_order_acquire;
    const std::uint64_t before = entry.sequence.load(acquire);
    if (WriteOf(before) > index + 1) return JournalRead::Overwritten;
    if (before != index + 1) return JournalRead::Incomplete;
    record = {entry.kind.load(acquire), entry.address.load(acquire), entry.value.load(acquire),
              entry.firstWord.load(acquire)};
    const std::uint64_t after = entry.sequence.load(std::memory_order_relaxed);
    return after == index + 1 ? JournalRead::Taken : JournalRead::Overwritten;
}

}  // namespace tessolk
