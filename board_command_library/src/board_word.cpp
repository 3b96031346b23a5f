#include "ruvent/board_word.h"

#include <cstdio>

#include "board_commands/board_number.h"

namespace ruvent {

bool TakeBoardWord(std::string_view word, std::uint32_t& driverBoard) {
    using board_commands::BoardNumber;
    if (!BoardNumber::IsBoardWord(word)) return true;
    const auto board = BoardNumber::FromWord(word);
    if (!board) {
        std::printf("%.*s names no board: -b1 or -b2\n", static_cast<int>(word.size()), word.data());
        return false;
    }
    driverBoard = board->Index();
    return true;
}

}  // namespace ruvent
