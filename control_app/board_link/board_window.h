// The board's common buffer as the application sees it: 32-bit little-endian words at fixed
// offsets, written by the board and read by the panels' timers. In demo mode it is a zeroed block
// of the same layout, so every reader works unchanged.
#pragma once

#include <array>
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

// One copy of the status area (window::kStatusAreaBegin to kStatusAreaEnd), taken once per
// timer tick: every value a tick shows comes from the same moment, and a value of two words
// cannot be half old. Offsets are the window's own; words outside the area read as 0.
class BoardStatus {
public:
    std::uint32_t Word(std::uint32_t offset) const;
    std::uint8_t Byte(std::uint32_t offset) const;

private:
    friend class BoardWindow;
    static constexpr std::size_t kWords = (window::kStatusAreaEnd - window::kStatusAreaBegin) / 4;
    std::array<std::uint32_t, kWords> words_{};
};

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
    // The status area in one copy, taken again while the board changed it under the copy.
    BoardStatus ReadStatus() const;
    // How many reads (words, bytes or status copies) this window has served: the panel's timer
    // takes one status copy per tick, which tests hold it to.
    std::uint64_t Reads() const { return reads_; }

    void* Base() const { return base_; }
    std::size_t Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> demoBlock_;
    std::uint8_t* base_;
    std::size_t bytes_;
    mutable std::uint64_t reads_ = 0;
};

}  // namespace velmar
