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
    if (offset % 4 != 0 || offset + 4 > bytes_) return 0;
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(base_ + offset))
        .load(std::memory_order_acquire);
}

void BoardWindow::Write32(std::uint32_t offset, std::uint32_t value) {
    if (offset % 4 != 0 || offset + 4 > bytes_) return;
    std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(base_ + offset))
        .store(value, std::memory_order_release);
}

std::uint8_t BoardWindow::Read8(std::uint32_t offset) const {
    if (offset >= bytes_) return 0;
    return std::atomic_ref<std::uint8_t>(base_[offset]).load(std::memory_order_acquire);
}

}  // namespace velmar
