#include "ruvent/access_arguments.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "ruvent/board_word.h"
#include "ruvent/call_outcome.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

bool Is(const char* word, const char* keyword) { return strcasecmp(word, keyword) == 0; }

std::string BoundedName(const char* word) { return std::string(word, strnlen(word, kAccessNameMax)); }

// Every word counts without regard to case, the board's "-B2" too.
std::string LowerCase(const char* word) {
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// A bad line does nothing; a command-line program prints the help (after the line naming a bad
// board word) and ends with code 1.
std::nullopt_t RefuseWithHelp(const std::string& cause, const std::string& firstConsoleLine = {}) {
    Refuse(RUVENT_BAD_ARGUMENTS, cause, firstConsoleLine.empty() ? kAccessHelp : firstConsoleLine + "\n" + kAccessHelp);
    return std::nullopt;
}

}  // namespace

std::uint32_t ReadCommandNumber(const char* word) {
    if (!word) return 0;
    const char* text = word;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (*text == '-') return static_cast<std::uint32_t>(std::strtoll(text, nullptr, 0));
    return static_cast<std::uint32_t>(std::strtoull(text, nullptr, 0));
}

std::optional<AccessArguments> ParseAccessArguments(int argc, char* argv[]) {
    AccessArguments arguments;
    if (argc < 1 || !argv || !argv[0]) return RefuseWithHelp("no command word");
    if (argc == 1) {
        const char* word = argv[0];
        if (std::strcmp(word, "mreset") == 0 || std::strcmp(word, "mquit") == 0 || std::strcmp(word, "minfo") == 0)
            return arguments;
        return RefuseWithHelp(std::string(word) + " alone: an address or value is missing");
    }
    if (std::strcmp(argv[1], "-h") == 0) return RefuseWithHelp("-h asks for the help only");

    arguments.value = arguments.end = ReadCommandNumber(argv[argc - 1]);

    // The word before the last is the address when it is a number; a file name given with -f or
    // -o is never taken for one, whatever it starts with.
    const char* beforeLast = argv[argc - 2];
    const bool beforeLastIsName =
        argc >= 3 && (Is(argv[argc - 3], "-f") || Is(argv[argc - 3], "-o"));
    if (std::isdigit(static_cast<unsigned char>(beforeLast[0])) && !beforeLastIsName)
        arguments.address = ReadCommandNumber(beforeLast);
    else
        arguments.address = arguments.value;

    for (int i = 0; i < argc; ++i) {
        const char* word = argv[i];
        const bool takesOperand = Is(word, "-f") || Is(word, "-o") || Is(word, "-fill");
        if (takesOperand && i + 1 >= argc) return RefuseWithHelp(std::string(word) + " without its operand");
        const std::string lower = LowerCase(word);
        if (!TakeBoardWord(lower, arguments.board)) return RefuseWithHelp(NamesNoBoard(lower), NamesNoBoard(lower));
        if (Is(word, "RMEM")) {
            arguments.base = board_map::kRmemBase;
        } else if (Is(word, "CBUSReg")) {
            arguments.base = board_map::kCbusRegBase;
        } else if (Is(word, "-f")) {
            arguments.fileName = BoundedName(argv[++i]);
        } else if (Is(word, "-o")) {
            arguments.outputName = BoundedName(argv[++i]);
        } else if (Is(word, "-nr")) {
            arguments.readBack = false;
        } else if (Is(word, "-r")) {
            arguments.readBack = true;
        } else if (Is(word, "-fill")) {
            arguments.fill = true;
            arguments.value = ReadCommandNumber(argv[++i]);
        }
    }
    arguments.address += arguments.base;
    arguments.end += arguments.base;
    return arguments;
}

}  // namespace ruvent
