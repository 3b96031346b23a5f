// softboard -b <1|2> [-p <ms>] [-t <type>] [-f] [-c <folder>] [-o <output> <clip>]... [-v ...]
// Serves one software board until SIGINT or SIGTERM, then removes its shared objects.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "board_commands/board_number.h"
#include "softboard/soft_board.h"
#include "softboard/streaming.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop.store(true); }

// The usage, to `out`; `code` is the exit code that goes with it.
int Usage(std::ostream& out = std::cerr, int code = 1) {
    out << "usage: softboard -b <1|2> [-p <ms>] [-t <type>] [-f] [-c <folder>] [-o <output> <clip>]... [-v]...\n"
                 "  -b  the board to serve (1 first, 2 second)\n"
                 "  -p  interrupt period once started, default 20 (one field)\n"
                 "  -t  board type word, default 0x8120\n"
                 "  -f  consume input streams as fast as possible instead of at their bit rate\n"
                 "  -c  keep what each input stream receives in <folder>/input<N>.bin\n"
                 "  -o  fill output stream <output> (0-7) from <clip>, looped; video outputs 0 and 2 also\n"
                 "      write the encoder's picture index entries\n"
                 "  -v  log what the board receives, I2C one transaction a line; twice also each\n"
                 "      interrupt and each write of the I2C lines\n";
    return code;
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
    bool fast = false;
    std::string captureFolder;
    std::map<std::uint32_t, std::string> outputClips;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        long long number = 0;
        if (word == "--help" || word == "-h") {
            return Usage(std::cout, 0);
        } else if (word == "-v") {
            ++options.verbosity;
        } else if (word == "-f") {
            fast = true;
        } else if (word == "-c" && i + 1 < argc) {
            captureFolder = argv[++i];
        } else if (word == "-o" && i + 2 < argc && ReadNumber(argv[i + 1], number) && number >= 0 && number < 8) {
            outputClips[static_cast<std::uint32_t>(number)] = argv[i + 2];
            i += 2;
        } else if ((word == "-b" || word == "-p" || word == "-t") && i + 1 < argc && ReadNumber(argv[i + 1], number)) {
            ++i;
            if (word == "-b") {
                const auto board = board_commands::BoardNumber::FromNumber(static_cast<long>(number));
                if (!board) return Usage();
                options.board = board->Index();
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
    for (std::uint32_t stream = 0; stream < softboard::kInputStreams; ++stream) {
        softboard::InputStreaming input;
        input.asFastAsPossible = fast;
        if (!captureFolder.empty()) input.captureFile = captureFolder + "/input" + std::to_string(stream) + ".bin";
        board->Streaming().SetInput(stream, input);
    }
    for (const auto& [stream, clip] : outputClips) {
        softboard::OutputStreaming output;
        output.sourceClip = clip;
        output.pictureIndex = stream == 0 || stream == 2;
        board->Streaming().SetOutput(stream, output);
    }
    board->Serve(g_stop);
    return 0;
}
