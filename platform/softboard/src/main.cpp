// softboard -b <1|2> [-p <ms>] [-t <type>] [-v ...]
// Serves one software board until SIGINT or SIGTERM, then removes its shared objects.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "softboard/soft_board.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop.store(true); }

int Usage() {
    std::cerr << "usage: softboard -b <1|2> [-p <interrupt period ms>] [-t <board type>] [-v]...\n"
                 "  -b  the board to serve (1 first, 2 second)\n"
                 "  -p  interrupt period once started, default 20 (one field)\n"
                 "  -t  board type word, default 0x8120\n"
                 "  -v  log what the board receives; twice also each interrupt\n";
    return 1;
}

bool ReadNumber(const char* text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 0);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
    softboard::SoftBoardOptions options;
    bool haveBoard = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        long long number = 0;
        if (word == "-v") {
            ++options.verbosity;
        } else if ((word == "-b" || word == "-p" || word == "-t") && i + 1 < argc && ReadNumber(argv[i + 1], number)) {
            ++i;
            if (word == "-b") {
                if (number != 1 && number != 2) return Usage();
                options.board = static_cast<std::uint32_t>(number - 1);
                haveBoard = true;
            } else if (word == "-p") {
                if (number < 1 || number > 60000) return Usage();
                options.interruptPeriodMs = static_cast<int>(number);
            } else {
                options.boardType = static_cast<std::uint32_t>(number);
            }
        } else {
            return Usage();
        }
    }
    if (!haveBoard) return Usage();

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::string error;
    auto board = softboard::SoftBoard::Create(options, &error);
    if (!board) {
        std::cerr << "softboard: " << error << "\n";
        return 1;
    }
    board->Serve(g_stop);
    return 0;
}
