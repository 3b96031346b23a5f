// ps-tool ostrand: the demultiplexer as the dialog's Start runs it, from the [OSTRAND] settings.
#include <cstdio>
#include <cstring>

#include "subcommands.h"
#include "console_report.h"
#include "platform/profile.h"
#include "ps_demux/demux.h"
#include "stream_analysis/analysis.h"

namespace {

constexpr const char* kSection = "OSTRAND";

int RunOstrand(int argc, char** argv) {
    const bool analyzeOnly = argc >= 1 && std::strcmp(argv[0], "--analyze") == 0;
    platform::Profile profile;
    const std::string inputPath = profile.GetString(kSection, "PATHMP");
    ps_demux::DemuxSettings settings;
    settings.outputBase = profile.GetString(kSection, "PATHMO");
    settings.decode = profile.GetInt(kSection, "DECOMP", 1) == 1;

    const auto analysis = stream_analysis::AnalyzeProgramStream(inputPath);
    PrintErrorBox(analysis.error);
    if (analyzeOnly) {
        PrintStatic("Stream:", analysis.kind);
        PrintStatic("Bitrate:", analysis.bitrateText);
        PrintStatic("Duration:", analysis.durationText);
        return analysis.ok ? 0 : 1;
    }
    ConsoleReport report;
    report.AddMessage("Ready !!!");
    const auto result = ps_demux::RunDemuxFile(analysis, inputPath, settings, report);
    PrintErrorBox(result.errorBox);
    return result.status == ps_demux::DemuxStatus::Done ? 0 : 1;
}

const Subcommand kOstrand("ostrand", "ostrand [--analyze]  demultiplex with the [OSTRAND] settings of $VELMAR_INI",
                         RunOstrand);

}  // namespace
