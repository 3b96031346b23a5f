// PackedTimecode: hours, minutes, seconds and frames as packed BCD in one word (0xHHMMSSFF).
// PAL counts 25 frames a second; NTSC 30 with drop-frame numbering (frames 00 and 01 are skipped
// at the start of every minute whose units digit is not 0). The board counts fields: callers halve
// a field count before converting it.
#pragma once

#include <cstdint>
#include <string>

namespace velmar {

using PackedTimecode = std::uint32_t;

enum class TvStandard { Ntsc, Pal };

// Frame counts outside 0 .. 99:59:59:last are clamped, so a display never shows non-digits.
PackedTimecode FramesToTimecode(std::int64_t frames, TvStandard standard);
int TimecodeToFrames(PackedTimecode code, TvStandard standard);
// Clamps every digit into its range; never rejects.
PackedTimecode IsValidTimecode(PackedTimecode code, TvStandard standard);

// "%.2x:%.2x:%.2x:%.2x"
std::string FormatTimecode(PackedTimecode code);

}  // namespace velmar
