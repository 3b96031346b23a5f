// ps-tool ostrand: the demultiplexer as the dialog's Start runs it, from the command line or,
// when it names no files, the [OSTRAND] settings.
#include <cstdio>

#include "command_options.h"
#include "console_report.h"
#include "platform/profile.h"
#include "stream_jobs/real_engines.h"
#include "subcommands/subcommands.h"

namespace {

constexpr const char* kSection = "OSTRAND";
constexpr const char* kUsage =
    "ostrand [--analyze] [IN OUTBASE [--decode]]\n"
    "      demultiplex IN into OUTBASEe0.mpg, OUTBASEc0.mpg, ...; --decode adds the .wav and .mdb files;\n"
    "      without IN and OUTBASE, the files and the decode choice come from [OSTRAND] of $VELMAR_INI";

int Usage(const std::string& why) {
    std::fprintf(stderr, "ps-tool ostrand: %s\nusage: ps-tool %s\n", why.c_str(), kUsage);
    return 2;
}

int RunOstrand(int argc, char** argv) {
    const CommandOptions options = ParseCommandOptions(argc, argv, {}, {"--analyze", "--decode", "--help"});
    if (options.Flag("--help")) {
        std::printf("usage: ps-tool %s\n", kUsage);
        return 0;
    }
    if (!options.error.empty()) return Usage(options.error);
    if (options.positional.size() == 1 || options.positional.size() > 2) return Usage("give both IN and OUTBASE");

    stream_jobs::DemuxJob job;
    if (options.positional.empty()) {
        platform::Profile profile;
        job.inputPath = profile.GetString(kSection, "PATHMP");
        job.outputBase = profile.GetString(kSection, "PATHMO");
        job.decode = profile.GetInt(kSection, "DECOMP", 1) == 1 || options.Flag("--decode");
    } else {
        job.inputPath = options.positional[0];
        job.outputBase = options.positional[1];
        job.decode = options.Flag("--decode");
    }

    stream_jobs::RealDemuxEngine engine;
    job.input = engine.AnalyzeProgramStream(job.inputPath);
    PrintErrorBox(job.input.error);
    if (options.Flag("--analyze")) {
        PrintStatic("Stream:", job.input.kind);
        PrintStatic("Bitrate:", job.input.bitrateText);
        PrintStatic("Duration:", job.input.durationText);
        return job.input.ok ? 0 : 1;
    }
    ConsoleReport report;
    report.AddMessage("Ready !!!");
    const platform::RunResult result = engine.Run(job, report);
    PrintErrorBox(result.error);
    return result.status == platform::RunStatus::Done ? 0 : 1;
}

const Subcommand kOstrand("ostrand", kUsage, RunOstrand);

}  // namespace
