// Byte order helpers and byte-granular access to board memory.
//
// Board memory holds 32-bit words; the byte at address A is byte lane A % 4 of the word at
// A & ~3, counted from the word's least significant byte. Reads and writes use the same lane.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvent {

// Copies `bytes` bytes as whole words, reversing the four bytes of each. A tail of 1 to 3 bytes
// is taken as a word padded with zeros; `destination` must hold the rounded-up length.
void CopySwapped32(const void* source, std::size_t bytes, void* destination);

// Reverses the bytes of each whole 32-bit word in place when `width` is 4 (a tail of 1 to 3
// bytes stays); 2 changes nothing. Returns 0 for any other width, else 1.
int SwapBytes(void* buffer, std::size_t length, int width);

// True when [address, address + count) lies on the board.
bool InsideBoard(std::uint32_t address, std::uint64_t count);

// Any byte range of board memory: whole aligned words as one block, a head or tail word by
// word with read-modify-write. Ranges outside the board are refused (false) with nothing written.
bool WriteBoardBytes(std::uint32_t board, std::uint32_t address, const std::uint8_t* bytes, std::size_t count);
bool ReadBoardBytes(std::uint32_t board, std::uint32_t address, std::uint8_t* bytes, std::size_t count);

}  // namespace ruvent
