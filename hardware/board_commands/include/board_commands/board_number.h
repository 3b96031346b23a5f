// Which of a host's two boards. The operators, the INI sections ("BOARD1", "BOARD2") and the
// programs' "-b" options count 1 and 2; the driver counts 0 and 1; a command line names the second
// board with the word "-b2" and the first with "-b1" or nothing. One type, converted at each edge.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace board_commands {

class BoardNumber {
public:
    static constexpr BoardNumber First() { return BoardNumber(0); }
    static constexpr BoardNumber Second() { return BoardNumber(1); }
    // 1 or 2; anything else is no board.
    static constexpr std::optional<BoardNumber> FromNumber(long number) {
        if (number == 1 || number == 2) return BoardNumber(static_cast<std::uint32_t>(number - 1));
        return std::nullopt;
    }
    // A command-line word that names a board: "-b" and a digit. Only "-b1" and "-b2" are boards;
    // IsBoardWord tells the others ("-b3", "-b0") from words that are no board option at all.
    static constexpr bool IsBoardWord(std::string_view word) {
        return word.size() == 3 && word[0] == '-' && word[1] == 'b' && word[2] >= '0' && word[2] <= '9';
    }
    static constexpr std::optional<BoardNumber> FromWord(std::string_view word) {
        if (!IsBoardWord(word)) return std::nullopt;
        return FromNumber(word[2] - '0');
    }

    constexpr int Number() const { return static_cast<int>(index_) + 1; }  // 1 or 2
    constexpr std::uint32_t Index() const { return index_; }                // the driver's 0 or 1
    constexpr bool IsSecond() const { return index_ == 1; }
    // The word a command line carries for this board: "-b2", or none for the first.
    static constexpr std::string_view kSecondBoardWord = "-b2";

    constexpr bool operator==(const BoardNumber&) const = default;

private:
    constexpr explicit BoardNumber(std::uint32_t index) : index_(index) {}
    std::uint32_t index_;
};

}  // namespace board_commands
