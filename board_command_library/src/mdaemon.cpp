// The `mdaemon` export: the streaming service loop's command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host_hooks.h"
#include "ruvent/board_word.h"
#include "ruvent/call_outcome.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"

namespace ruvent {
namespace {

std::uint32_t ReadNumber(const char* word) {
    // "%i": 0x hexadecimal, a leading 0 octal, else decimal; full 32-bit values survive.
    return static_cast<std::uint32_t>(std::strtoll(word, nullptr, 0));
}

bool IsNameOption(const char* word) { return std::strcmp(word, "-i") == 0 || std::strcmp(word, "-o") == 0; }

constexpr const char* kUsage =
    "mdaemon -s CBEsize CBOsize MBEsize MBOsize streamBufferSize\n"
    "-i inputFile fileID -i inputFile fileID .....\n"
    "-o outputFile";

std::nullopt_t RefuseWithUsage(const std::string& cause, const std::string& firstConsoleLine = {}) {
    Refuse(RUVENT_BAD_ARGUMENTS, cause, firstConsoleLine.empty() ? kUsage : firstConsoleLine + "\n" + kUsage);
    return std::nullopt;
}

}  // namespace

std::optional<ServiceLoopOptions> ParseServiceLoopArguments(int argc, char* argv[]) {
    if (argc < 2) return RefuseWithUsage("no buffer sizes");
    if (std::strcmp(argv[1], "-h") == 0) return RefuseWithUsage("-h asks for the usage only");
    ServiceLoopOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (!TakeBoardWord(word, options.board)) return RefuseWithUsage(NamesNoBoard(word), NamesNoBoard(word));
        if (std::strcmp(word, "-start") == 0) {
            options.start = true;
        } else if (std::strcmp(word, "-nc") == 0) {
            options.releaseConsole = true;
        } else if (std::strcmp(word, "-s") == 0) {
            std::uint32_t entry = 0;
            while (i + 1 < argc && !IsNameOption(argv[i + 1])) {
                const std::uint32_t value = ReadNumber(argv[++i]);
                if (entry < kSizeListEntries) options.sizes[entry++] = value;  // extra entries are ignored
            }
        } else if (IsNameOption(word)) {
            const bool input = word[1] == 'i';
            if (i + 2 >= argc) {
                if (!input) {
                    std::printf("Use mwcmd -iXA fileName to output file\n");
                    break;
                }
                ++i;
                continue;
            }
            const std::string name = argv[i + 1];
            const std::uint32_t id = ReadNumber(argv[i + 2]);
            i += 2;
            if (id > 15) {
                Refuse(RUVENT_BAD_ARGUMENTS, "stream id " + std::to_string(id) + " above 15", "streamID error\n");
                return std::nullopt;
            }
            (input ? options.inputNames : options.outputNames)[id] = name.substr(0, 79);
        }
        // "-v" and anything else: accepted, no effect.
    }
    return options;
}

}  // namespace ruvent

// The export decides what its caller gets from a loop that could not start: the console line
// and the box (through the host's hook, which a program with windows shows on its own UI thread),
// then the status, returned rather than ending the caller's process.
extern "C" int mdaemon(int argc, char* argv[]) {
    ruvent::BeginCall();
    const auto options = ruvent::ParseServiceLoopArguments(argc, argv);
    if (!options) return RUVENT_REFUSED;
    const ruvent::ServiceLoopResult result = ruvent::RunServiceLoop(*options);
    if (!result.consoleLine.empty()) std::printf("%s\n", result.consoleLine.c_str());
    std::fflush(stdout);
    if (!result.boxText.empty())
        platform::ShowMessageBox(result.boxText, result.boxCaption, platform::MessageButtons::Ok,
                                 platform::MessageIcon::Error);
    // A command line whose loop could not be set up ends with code 1; a caller in the same process
    // reads the loop's own status.
    if (result.code == ruvent::kLoopSetUpFailed) ruvent::EndProgramAfterCall(1);
    return result.code;
}
