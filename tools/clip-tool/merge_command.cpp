// clip-tool merge A B: appends B to A, and B's picture index to A's, as the File Merge dialog does.
#include "file_tool_report.h"
#include "file_tools/file_merge.h"
#include "subcommands/subcommands.h"

namespace {

int RunMerge(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clip-tool merge A B\n");
        return 2;
    }
    CommandRun run;
    return ReportToolResult("merge", file_tools::MergeFiles(argv[0], argv[1], run), "Can't append to same file!", run);
}

const Subcommand kMerge("merge", "merge A B", RunMerge);

}  // namespace
