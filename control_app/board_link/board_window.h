// The board's common buffer as the application sees it: 32-bit little-endian words at fixed
// offsets, written by the board and read by the panels' timers. In demo mode it is a zeroed block
// of the same layout, so every reader works unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tessolk/board_map.h"

namespace velmar {

// The window's offsets are the board's own map; the demo block holds every word the panels use.
namespace window {
using namespace board_map;
inline constexpr std::uint32_t kBoardType = board_map::kBoardTypeWord;
inline constexpr std::size_t kDemoWindowBytes = 0x10000;
}  // namespace window

class BoardWindow {
public:
    // A mapped window of `bytes` bytes at `base`.
    BoardWindow(void* base, std::size_t bytes) : base_(static_cast<std::uint8_t*>(base)), bytes_(bytes) {}
    // The demo block: zeroed, owned by this object.
    static BoardWindow Demo();

    BoardWindow(const BoardWindow&) = delete;
    BoardWindow& operator=(const BoardWindow&) = delete;
    BoardWindow(BoardWindow&&) = default;  // a moved vector keeps its block, so base_ stays valid
    BoardWindow& operator=(BoardWindow&&) = default;

    // Words outside the window read as 0 and are not written.
    std::uint32_t Read32(std::uint32_t offset) const;
    void Write32(std::uint32_t offset, std::uint32_t value);
    std::uint8_t Read8(std::uint32_t offset) const;

    void* Base() const { return base_; }
    std::size_t Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> demoBlock_;
    std::uint8_t* base_;
    std::size_t bytes_;
};

}  // namespace velmar
