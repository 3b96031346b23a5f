#include "tessolk/board_segments.h"

namespace tessolk {

std::string ControlName(std::uint32_t board) { return "tessolk.b" + std::to_string(board); }
std::string WindowName(std::uint32_t board) { return ControlName(board) + ".window"; }
std::string MemoryName(std::uint32_t board) { return ControlName(board) + ".memory"; }
std::string OwnerName(std::uint32_t board) { return ControlName(board) + ".owner"; }

// Release stores and acquire loads of the fields (no fences, which ThreadSanitizer does not
// model): a reader that saw any field of a newer write also sees that write's opening store, so
// its second sequence read cannot still find the entry complete.
void WriteJournalEntry(JournalEntry& entry, std::uint64_t index, const JournalRecord& record) {
    constexpr auto release = std::memory_order_release;
    entry.sequence.store(0, std::memory_order_relaxed);
    entry.kind.store(record.kind, release);
    entry.address.store(record.address, release);
    entry.value.store(record.value, release);
    entry.firstWord.store(record.firstWord, release);
    entry.sequence.store(index + 1, release);
}

JournalRead ReadJournalEntry(const JournalEntry& entry, std::uint64_t index, JournalRecord& record) {
    constexpr auto acquire = std::memory_order_acquire;
    const std::uint64_t before = entry.sequence.load(acquire);
    if (before < index + 1) return JournalRead::Incomplete;
    record = {entry.kind.load(acquire), entry.address.load(acquire), entry.value.load(acquire),
              entry.firstWord.load(acquire)};
    const std::uint64_t after = entry.sequence.load(std::memory_order_relaxed);
    return before == index + 1 && after == index + 1 ? JournalRead::Taken : JournalRead::Overwritten;
}

}  // namespace tessolk
