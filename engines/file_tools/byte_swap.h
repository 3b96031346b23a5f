// Byte Swap: copies a file reversing the bytes of every 32-bit word (B1B2B3B4 -> B4B3B2B1), for
// software that reads streams in the other word order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool_run.h"

namespace file_tools {

inline constexpr std::size_t kByteSwapBlock = 16384;

// Reverses every whole word of the buffer; 1-3 trailing bytes stay as they are.
void ReverseWords(std::uint8_t* data, std::size_t size);

// kDone, kCanceled (the destination keeps what was written), kFileError (no destination is left, and
// one that was there before stays as it was), or kOverInput when the destination is the source under
// any name (creating it would empty the source before it is read). Only regular files are read.
RunResult ByteSwapFile(const std::string& source, const std::string& destination, platform::RunReport& run);

}  // namespace file_tools
