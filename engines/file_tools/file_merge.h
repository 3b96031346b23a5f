// File Merge: appends file B to the end of file A, word-reversing B when the two were written in
// opposite word orders, and appends B's .mdb picture index to A's, rebased to B's new position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tool_run.h"

namespace file_tools {

inline constexpr std::size_t kMergeBlock = 131072;

// B is reversed while appended when it starts with a sequence header in either word order and its
// first four bytes are A's first four in reverse order. Both heads hold at least 4 bytes.
bool MergeSwapsB(const std::uint8_t* headA, const std::uint8_t* headB);

// Adds `words` to the 48-bit group start of one 8-byte .mdb record in place: the low 32 bits in
// the first word, the high 16 bits plus the carry in bits 16-31 of the second; bits 0-15 stay.
void RebaseRecord(std::uint8_t* record, std::uint64_t words);

// kDone, kCanceled (A keeps the part of B already appended), kFileError (A and its index are cut
// back to what they were), kOverInput (A and B are one file under any names; nothing changed). When
// A's size is not a multiple of 4, zero bytes pad it to one before B, so that B's start codes stay
// on 4-byte boundaries and its rebased index points exactly at its groups. The indexes beside A and B are merged when both exist
// and left alone when neither does; when only one exists nothing is changed and the result is
// kFileError, since the merged index could not describe the merged file.
RunResult MergeFiles(const std::string& fileA, const std::string& fileB, platform::RunReport& run);

}  // namespace file_tools
