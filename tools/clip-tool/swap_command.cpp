// clip-tool swap SRC DST: copies SRC to DST reversing the bytes of every 32-bit word.
#include "file_tool_report.h"
#include "file_tools/byte_swap.h"
#include "subcommands/subcommands.h"

namespace {

int RunSwap(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clip-tool swap SRC DST\n");
        return 2;
    }
    CommandRun run;
    return ReportToolResult("swap", file_tools::ByteSwapFile(argv[0], argv[1], run),
                            "the destination is the source file", run);
}

const Subcommand kSwap("swap", "swap SRC DST", RunSwap);

}  // namespace
