#include "ruvent/board_word.h"

#include "board_commands/board_number.h"

namespace ruvent {

bool TakeBoardWord(std::string_view word, std::uint32_t& driverBoard) {
    using board_commands::BoardNumber;
    if (!BoardNumber::IsBoardWord(word)) return true;
    const auto board = BoardNumber::FromWord(word);
    if (!board) return false;
    driverBoard = board->Index();
    return true;
}

std::string NamesNoBoard(std::string_view word) { return std::string(word) + " names no board: -b1 or -b2"; }

}  // namespace ruvent
