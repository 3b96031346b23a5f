// The driver's attachment to each board's shared objects, made on first use and renewed when a
// software board restarts.
#pragma once

#include <cstdint>

#include "tessolk/board_segments.h"

namespace tessolk {

struct AttachedBoard {
    BoardControl* control = nullptr;  // null: no software board
    std::uint8_t* window = nullptr;
    std::uint8_t* memory = nullptr;
};

// The board's objects when a software board serves it; board must be 0 or 1.
AttachedBoard Attach(std::uint32_t board);

// The register file of the board: the board's own when it is present, else one kept in this
// process so that callers still meet each other.
DriverRegisterFile& Registers(std::uint32_t board);

void AppendJournal(BoardControl& control, JournalKind kind, std::uint32_t address, std::uint32_t value,
                   std::uint32_t firstWord = 0);

}  // namespace tessolk
