// ps-tool braxel: the multiplexer as the dialog's Start runs it, from the command line or, for
// what the command line leaves out, the [BRAXEL] settings.
#include <cstdio>

#include "command_options.h"
#include "console_report.h"
#include "platform/profile.h"
#include "stream_jobs/real_engines.h"
#include "subcommands/subcommands.h"

namespace {

constexpr const char* kSection = "BRAXEL";
constexpr const char* kUsage =
    "braxel [--analyze] [--video V] [--audio A] [--out O] [--type 0..3] [--layer 1..3] [--bitrate B]\n"
    "      multiplex; type 0 DV audio, 1 MPEG-1 PS, 2 MPEG-2 PS, 3 MPEG audio from WAVE; layer and bit rate\n"
    "      (bit/s) encode a WAVE audio input; what is not given comes from [BRAXEL] of $VELMAR_INI";

int Usage(const std::string& why) {
    std::fprintf(stderr, "ps-tool braxel: %s\nusage: ps-tool %s\n", why.c_str(), kUsage);
    return 2;
}

void PrintAnalysis(const stream_jobs::MuxJob& job) {
    const auto& v = job.video;
    const auto& a = job.audio;
    PrintStatic("Video:", v.type);
    PrintStatic("Aspect:", v.aspect);
    PrintStatic("Profile:", v.profile);
    PrintStatic("Level:", v.level);
    PrintStatic("Chroma:", v.chroma);
    PrintStatic("Size:", v.frameSize);
    PrintStatic("Bitrate:", v.bitrateText);
    PrintStatic("VBV:", v.vbv);
    PrintStatic("Rate:", v.frameRate);
    PrintStatic("Duration:", v.durationText);
    PrintStatic("Layer:", a.showLayerCombos ? std::to_string(job.layer) : a.layerText);
    PrintStatic("Audio rate:", a.showLayerCombos ? std::to_string(job.audioBitrate) : a.bitrateText);
    PrintStatic("Frequency:", a.frequency);
    PrintStatic("Mode:", a.mode);
    PrintStatic("Audio dur.:", a.durationText);
    PrintStatic("MPSTYPE:", std::to_string(job.outputType));
}

int RunBraxel(int argc, char** argv) {
    const CommandOptions options = ParseCommandOptions(
        argc, argv, {"--video", "--audio", "--out", "--type", "--layer", "--bitrate"}, {"--analyze", "--help"});
    if (options.Flag("--help")) {
        std::printf("usage: ps-tool %s\n", kUsage);
        return 0;
    }
    if (!options.error.empty()) return Usage(options.error);
    if (!options.positional.empty()) return Usage("unexpected word " + options.positional.front());

    platform::Profile profile;
    stream_jobs::MuxJob job;
    job.videoPath = options.Value("--video").value_or(profile.GetString(kSection, "PATHMV"));
    job.audioPath = options.Value("--audio").value_or(profile.GetString(kSection, "PATHMA"));
    job.outputPath = options.Value("--out").value_or(profile.GetString(kSection, "PATHMP"));
    const auto type = options.Value("--type");
    if (type) {
        const auto number = ParseNumber(*type, 0, 3);
        if (!number) return Usage("--type takes 0, 1, 2 or 3");
        job.outputType = *number;
    } else {
        job.outputType = profile.GetInt(kSection, "MPSTYPE", 2);
        if (job.outputType < 0 || job.outputType > 2) job.outputType = 3;
    }
    const auto layer = ParseNumber(options.Value("--layer").value_or(profile.GetString(kSection, "LAYER", "2")), 1, 3);
    if (!layer) return Usage("--layer takes 1, 2 or 3");
    job.layer = *layer;
    const std::string bitrateKey = "BITRATE" + std::to_string(job.layer);
    const auto bitrate =
        ParseNumber(options.Value("--bitrate").value_or(profile.GetString(kSection, bitrateKey.c_str(), "128000")),
                    8000, 448000);
    if (!bitrate) return Usage("--bitrate takes a bit rate in bit/s, 8000 to 448000");
    job.audioBitrate = *bitrate;

    // The dialog probes both inputs when it opens; an MPEG video picks the output type unless the
    // command line chose one.
    stream_jobs::RealMuxEngine engine;
    job.video = engine.AnalyzeVideo(job.videoPath);
    PrintErrorBox(job.video.error);
    if (job.video.outputType != 0 && !type) {
        job.outputType = job.video.outputType;
        profile.WriteInt(kSection, "MPSTYPE", job.outputType);
    }
    job.audio = engine.AnalyzeAudio(job.audioPath);
    PrintErrorBox(job.audio.error);

    if (options.Flag("--analyze")) {
        PrintAnalysis(job);
        return job.video.valid && job.audio.type != stream_analysis::AudioType::None ? 0 : 1;
    }
    ConsoleReport report;
    const platform::RunResult result = engine.Run(job, report);
    PrintErrorBox(result.error);
    return result.status == platform::RunStatus::Done ? 0 : 1;
}

const Subcommand kBraxel("braxel", kUsage, RunBraxel);

}  // namespace
