// clip-tool split SRC DST START END [--rate 48|44.1|32] [--ntsc]: writes frames START..END
// (hh:mm:ss:ff) of SRC to DST as the File Split dialog does: a ".mpg" source as video cut at group
// boundaries with its picture index, anything else as audio with a WAVE header.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "file_tool_report.h"
#include "file_tools/file_split.h"
#include "file_tools/tool_file.h"
#include "subcommands/subcommands.h"
#include "timecode/timecode.h"

namespace {

using namespace file_tools;

// "hh:mm:ss:ff" as the packed digits the time-code edits hold.
bool ParseTimecode(const char* text, velmar::PackedTimecode& code) {
    unsigned digits[4] = {};
    char tail = 0;
    if (std::strlen(text) != 11 ||
        std::sscanf(text, "%2x:%2x:%2x:%2x%c", &digits[0], &digits[1], &digits[2], &digits[3], &tail) != 4)
        return false;
    for (unsigned d : digits)
        if ((d & 0xF) > 9 || (d >> 4) > 9) return false;
    code = digits[0] << 24 | digits[1] << 16 | digits[2] << 8 | digits[3];
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: clip-tool split SRC DST START END [--rate 48|44.1|32] [--ntsc]\n");
    return 2;
}

int RunSplit(int argc, char** argv) {
    if (argc < 4) return Usage();
    AudioRate rate = AudioRate::k48;
    auto standard = velmar::TvStandard::Pal;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--ntsc") {
            standard = velmar::TvStandard::Ntsc;
        } else if (option == "--rate" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "48") rate = AudioRate::k48;
            else if (value == "44.1") rate = AudioRate::k44_1;
            else if (value == "32") rate = AudioRate::k32;
            else return Usage();
        } else {
            return Usage();
        }
    }
    velmar::PackedTimecode startCode = 0, endCode = 0;
    if (!ParseTimecode(argv[2], startCode) || !ParseTimecode(argv[3], endCode)) return Usage();

    const std::string source = argv[0];
    const std::string destination = argv[1];
    const bool video = SplitsAsVideo(source);
    const auto audio = AudioTimebase::Of(rate, standard == velmar::TvStandard::Ntsc);
    const auto length = SplitSourceLength(source, video, audio);
    if (!length) {
        // A missing file is not found; a folder, pipe or device, or one that cannot be opened, says so.
        const std::string needed = video ? PictureIndexPathBeside(source) : source;
        const std::string problem = InputProblem(needed);
        std::error_code error;
        if (problem.empty() || !std::filesystem::exists(needed, error))
            std::fprintf(stderr, "clip-tool split: Can't find file %s\n", needed.c_str());
        else
            std::fprintf(stderr, "clip-tool split: %s\n", problem.c_str());
        return 1;
    }
    if (SplitWouldOverwriteInput(source, destination, video)) {
        std::fprintf(stderr, "clip-tool split: %s would replace the source or its index\n", destination.c_str());
        return 1;
    }
    int start = 2 * velmar::TimecodeToFrames(velmar::IsValidTimecode(startCode, standard), standard);
    int end = 2 * velmar::TimecodeToFrames(velmar::IsValidTimecode(endCode, standard), standard);
    const int askedStart = start, askedEnd = end;
    ClampSplitPoints(start, end, *length);
    if (start != askedStart || end != askedEnd)
        std::fprintf(stderr, "clip-tool split: frames %d..%d asked, the clip gives %d..%d\n", askedStart / 2,
                     askedEnd / 2, start / 2, end / 2);

    CommandRun run;
    std::optional<SplitSelection> sel;
    if (video) {
        sel = VideoSplitSelection(source, start, end);
        if (!sel) {
            std::fprintf(stderr, "clip-tool split: the index %s has no record of frame %d or %d\n",
                         PictureIndexPathBeside(source).c_str(), start / 2, end / 2);
            return 1;
        }
        if (sel->endByte <= sel->startByte) {
            std::fprintf(stderr, "clip-tool split: the index %s gives no bytes for frames %d..%d: it is damaged\n",
                         PictureIndexPathBeside(source).c_str(), start / 2, end / 2);
            return 1;
        }
    } else {
        sel = AudioSplitSelection(start, end, audio);
    }
    const RunResult result = video ? SplitVideo(source, destination, *sel, run)
                                    : SplitAudioToWav(source, destination, *sel, SampleRateOf(rate), run);
    if (result == file_tools::kDone)
        std::printf("frames %d..%d, bytes %llu..%llu of %s written to %s\n", video ? sel->FirstFrame() : start / 2,
                    video ? sel->LastFrame() : end / 2, static_cast<unsigned long long>(sel->startByte),
                    static_cast<unsigned long long>(sel->endByte), source.c_str(), destination.c_str());
    return ReportToolResult("split", result, "the destination would replace the source or its index", run);
}

const Subcommand kSplit("split", "split SRC DST START END [--rate 48|44.1|32] [--ntsc]", RunSplit);

}  // namespace
