// A board command line split into the words an export receives as argv.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board_commands/board_number.h"

namespace velmar {

// The longest path the panels hand to the board: what its name slots hold.
inline constexpr std::size_t kMaxBoardPathChars = 259;

// Why a board command line cannot carry `path` as it stands, or nothing when it can: the board
// takes a name from '<' to the first '>', so a '<' or '>' inside it, a line break or a name longer
// than its slot would make the board open another file than the one the panel checked.
std::optional<std::string> BoardPathRefusal(std::string_view path);

struct CommandLineLimits {
    int wordSlots = 80;               // 50 in the record panel and the audio settings dialog
    std::size_t wordChars = 99;       // longer words are cut, except file words
    std::size_t fileWordChars = kMaxBoardPathChars + 2;  // '<', the name, '>'
    bool joinFileWord = true;         // the audio settings dialog does not join
};

struct SplitCommand {
    std::vector<std::string> words;
    bool fileWordTooLong = false;  // a file name the board would not take whole: nothing is sent
};

// Splits at blanks and tabs. Board 2 gets "-b2" as the second word. The first word other than the
// last that starts with '<' takes the rest of the line as written, so a file name keeps its blanks.
// A file word is never cut, and one whose name the board would cut (BoardPathRefusal) is not
// sent: the board would write a file other than the one the panel handles.
SplitCommand SplitCommandLine(std::string_view line, board_commands::BoardNumber board,
                              const CommandLineLimits& limits);

}  // namespace velmar
