// clip-tool alpha fade|dissolve OUT.alp [options]: generates a transition stream as the Alpha File
// Generator does (same defaults) with its .adb beside it. Exits 0 only when both are complete;
// otherwise the stream and .adb that were there before stay as they were.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "alpha_stream/alpha_generators.h"
#include "index_formats/index_files.h"
#include "subcommands/subcommands.h"

namespace {

constexpr const char* kUsage =
    "usage: clip-tool alpha fade|dissolve OUT.alp [--width W] [--height H] [--fields N] [--from L] [--to L]\n"
    "                  [--block B] [--seed S]\n";

std::optional<long> Number(const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return std::nullopt;
    return value;
}

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "clip-tool alpha: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

int RunAlpha(int argc, char** argv) {
    using namespace alpha_stream;
    if (argc < 2) return Usage(nullptr);
    AlphaGenParams params;  // the dialog's defaults: 720 x 480, 50 fields, 255 to 0, block 32
    params.startLevel = 255;
    int block = 32;
    const std::string kind = argv[0];
    if (kind == "fade")
        params.type = kCrossFade;
    else if (kind == "dissolve")
        params.type = kDissolve;
    else
        return Usage("the type is fade or dissolve");
    params.outputFile = argv[1];
    AlphaGenRun run;
    run.console = stdout;
    for (int i = 2; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return Usage(("missing value of " + option).c_str());
        const char* text = argv[i + 1];
        std::optional<long> value;
        if (option == "--width" && (value = Number(text, 1, 4096)))
            params.horizontal = int(*value);
        else if (option == "--height" && (value = Number(text, 16, 4096)) && *value % 16 == 0)
            params.vertical = int(*value);
        else if (option == "--fields" && (value = Number(text, 1, kMaxFieldCount)))
            params.fieldCount = int(*value);
        else if (option == "--from" && (value = Number(text, 0, 255)))
            params.startLevel = int(*value);
        else if (option == "--to" && (value = Number(text, 0, 255)))
            params.endLevel = int(*value);
        else if (option == "--block" && (value = Number(text, kMinDissolveBlock, kMaxDissolveBlock)))
            block = int(*value);
        else if (option == "--seed" && (value = Number(text, 0, 0xFFFFFFFFL)))
            run.seed = static_cast<std::uint32_t>(*value);
        else
            return Usage(("bad option or value: " + option + " " + text).c_str());
    }
    if (params.type == kDissolve) {
        if (block != DissolveBlockSize(block))
            std::fprintf(stderr, "clip-tool alpha: block size %d rounded down to %d\n", block, DissolveBlockSize(block));
        params.startLevel = block;
    }

    if (index_formats::IndexPathBeside(params.outputFile, ".adb") == params.outputFile) {
        std::fprintf(stderr, "clip-tool alpha: %s would be overwritten by its own .adb\n", params.outputFile.c_str());
        return 1;
    }
    const platform::RunResult result =
        params.type == kDissolve ? GenerateDissolveAlpha(params, run) : GenerateFadeCrossAlpha(params, run);
    if (result.status == platform::RunStatus::Done) return 0;
    // A file error names the file and its cause, as the other tools do.
    std::fprintf(stderr, "clip-tool alpha: %s%s%s\n", result.error.c_str(), run.problem.empty() ? "" : " ",
                 run.problem.c_str());
    return 1;
}

const Subcommand kAlpha("alpha",
                        "alpha fade|dissolve OUT.alp [--width W] [--height H] [--fields N] [--from L] [--to L] "
                        "[--block B] [--seed S]",
                        RunAlpha);

}  // namespace
