// The microcode files the control application loads, as this project builds them.
#pragma once

#include <string>
#include <vector>

#include "tessolk/board_map.h"
#include "ruvent/ux_writer.h"

namespace ux {

struct MicrocodeSpec {
    std::string fileName;
    board_map::BoardRole role;
    board_map::StreamFormat format;
    board_map::TvStandard standard;
};

const std::vector<MicrocodeSpec>& MicrocodeSet();

// Reset, then the program with its descriptor, a read-back check of the descriptor, and the two
// closing sections a "-last" load applies.
UxWriter BuildMicrocode(const MicrocodeSpec& spec);

}  // namespace ux
