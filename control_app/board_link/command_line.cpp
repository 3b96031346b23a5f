#include "command_line.h"

namespace velmar {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

struct WordSpan {
    std::size_t begin;
    std::size_t end;
};

std::vector<WordSpan> FindWords(std::string_view line, int maxWords) {
    std::vector<WordSpan> spans;
    std::size_t i = 0;
    while (i < line.size() && static_cast<int>(spans.size()) < maxWords) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        const std::size_t begin = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        spans.push_back({begin, i});
    }
    return spans;
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A file word "<name>" (the closing '>' may be missing) the board takes whole.
bool FileWordFits(std::string_view word, std::size_t maxChars) {
    if (word.size() > maxChars) return false;
    std::string_view name = word.substr(1);
    if (name.ends_with('>')) name.remove_suffix(1);
    return !BoardPathRefusal(name);
}

}  // namespace

std::optional<std::string> BoardPathRefusal(std::string_view path) {
    if (path.find_first_of("<>") != std::string_view::npos) return "it holds a '<' or '>'";
    if (path.find_first_of("\r\n") != std::string_view::npos) return "it holds a line break";
    if (path.size() > kMaxBoardPathChars)
        return "it is longer than " + std::to_string(kMaxBoardPathChars) + " characters";
    return std::nullopt;
}

SplitCommand SplitCommandLine(std::string_view line, board_commands::BoardNumber board,
                              const CommandLineLimits& limits) {
    SplitCommand split;
    const bool secondBoard = board.IsSecond();
    // On board 2 one slot goes to "-b2".
    const int slotsForLine = limits.wordSlots - (secondBoard ? 1 : 0);
    const auto spans = FindWords(line, slotsForLine);

    for (std::size_t n = 0; n < spans.size(); ++n) {
        const std::string_view word = line.substr(spans[n].begin, spans[n].end - spans[n].begin);
        const bool joinHere = limits.joinFileWord && word.front() == '<' && n + 1 < spans.size();
        if (joinHere) {
            const std::string_view rest = TrimEnd(line.substr(spans[n].begin));
            if (!FileWordFits(rest, limits.fileWordChars)) {
                split.fileWordTooLong = true;
                split.words.clear();
                return split;
            }
            split.words.emplace_back(rest);
            break;
        }
        if (limits.joinFileWord && word.front() == '<') {
            if (!FileWordFits(word, limits.fileWordChars)) {
                split.fileWordTooLong = true;
                split.words.clear();
                return split;
            }
            split.words.emplace_back(word);
            continue;
        }
        split.words.emplace_back(word.substr(0, limits.wordChars));
    }
    if (secondBoard && !split.words.empty())
        split.words.insert(split.words.begin() + 1, std::string(board_commands::BoardNumber::kSecondBoardWord));
    return split;
}

}  // namespace velmar
