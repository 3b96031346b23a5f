#include "board_window.h"

#include <atomic>

namespace velmar {

BoardWindow BoardWindow::Demo() {
    BoardWindow demo(nullptr, window::kDemoWindowBytes);
    demo.demoBlock_.assign(window::kDemoWindowBytes, 0);
    demo.base_ = demo.demoBlock_.data();
    return demo;
}

// The board writes these words while we read them: go through atomic references so every read
// is one whole load.
std::uint32_t BoardWindow::Read32(std::uint32_t offset) const {
    ++reads_;
    if (offset % 4 != 0 || offset + 4 > bytes_) return 0;
    return board_map::WindowWord(base_, offset).load(std::memory_order_acquire);
}

void BoardWindow::Write32(std::uint32_t offset, std::uint32_t value) {
    if (offset % 4 != 0 || offset + 4 > bytes_) return;
    board_map::WindowWord(base_, offset).store(value, std::memory_order_release);
}

std::uint8_t BoardWindow::Read8(std::uint32_t offset) const {
    ++reads_;
    if (offset >= bytes_) return 0;
    return std::atomic_ref<std::uint8_t>(base_[offset]).load(std::memory_order_acquire);
}

std::uint32_t BoardStatus::Word(std::uint32_t offset) const {
    if (offset % 4 != 0 || offset < window::kStatusAreaBegin || offset >= window::kStatusAreaEnd) return 0;
    return words_[(offset - window::kStatusAreaBegin) / 4];
}

std::uint8_t BoardStatus::Byte(std::uint32_t offset) const {
    const std::uint32_t word = Word(offset & ~3u);
    return static_cast<std::uint8_t>(word >> (8 * (offset % 4)));  // little-endian
}

BoardStatus BoardWindow::ReadStatus() const {
    ++reads_;
    BoardStatus copy;
    if (window::kStatusAreaEnd > bytes_) return copy;
    auto word = [&](std::size_t i) {
        return board_map::WindowWord(base_, window::kStatusAreaBegin + 4 * static_cast<std::uint32_t>(i))
            .load(std::memory_order_acquire);
    };
    // The board steps its counters once per field; a copy takes microseconds, so a second pass
    // that finds every word unchanged almost always comes at once. A few tries bound the wait.
    for (int attempt = 0; attempt < 4; ++attempt) {
        bool changed = false;
        for (std::size_t i = 0; i < copy.words_.size(); ++i) {
            const std::uint32_t value = word(i);
            changed |= value != copy.words_[i];
            copy.words_[i] = value;
        }
        if (!changed && attempt > 0) break;
    }
    return copy;
}

}  // namespace velmar
