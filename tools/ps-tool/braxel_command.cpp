// ps-tool braxel: a Braxel run (multiplexer, DV audio replacement, WAVE conversion) as the
// dialog's Start runs it, from the [BRAXEL] settings.
#include <cstdio>
#include <cstring>

#include "subcommands.h"
#include "console_report.h"
#include "platform/profile.h"
#include "ps_mux/mux.h"
#include "stream_shell/real_engines.h"
#include "stream_shell/tool_dialog.h"
#include "stream_analysis/analysis.h"

namespace {

constexpr const char* kSection = "BRAXEL";

int RunBraxel(int argc, char** argv) {
    const bool analyzeOnly = argc >= 1 && std::strcmp(argv[0], "--analyze") == 0;
    platform::Profile profile;
    const std::string videoPath = profile.GetString(kSection, "PATHMV");
    const std::string audioPath = profile.GetString(kSection, "PATHMA");
    const std::string outputPath = profile.GetString(kSection, "PATHMP");
    int outputType = profile.GetInt(kSection, "MPSTYPE", 2);
    if (outputType < 0 || outputType > 2) outputType = 3;

    // The dialog probes both inputs when it opens; an MPEG video picks the output type.
    ps_mux::MuxInputs inputs;
    inputs.video = stream_analysis::AnalyzeVideoFile(videoPath);
    PrintErrorBox(inputs.video.error);
    if (inputs.video.outputType != 0) {
        outputType = inputs.video.outputType;
        profile.WriteInt(kSection, "MPSTYPE", outputType);
    }
    inputs.audio = stream_analysis::AnalyzeAudioFile(audioPath);
    PrintErrorBox(inputs.audio.error);

    if (analyzeOnly) {
        const auto& v = inputs.video;
        const auto& a = inputs.audio;
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
        PrintStatic("Layer:", a.showLayerCombos ? profile.GetString(kSection, "LAYER", "2") : a.layerText);
        PrintStatic("Audio rate:", a.showLayerCombos ? std::string("(combo)") : a.bitrateText);
        PrintStatic("Frequency:", a.frequency);
        PrintStatic("Mode:", a.mode);
        PrintStatic("Audio dur.:", a.durationText);
        PrintStatic("MPSTYPE:", std::to_string(outputType));
        return v.valid && a.type != stream_analysis::AudioType::None ? 0 : 1;
    }

    // The job as the dialog's Start hands it to the engines, layer and bit rate from the keys the
    // Layer and Bitrate combos keep.
    stream_shell::MuxJob job;
    job.outputType = outputType;
    const std::string layer = profile.GetString(kSection, "LAYER", "2");
    job.layer = layer.rfind('1', 0) == 0 ? 1 : layer.rfind('2', 0) == 0 ? 2 : 3;
    job.audioBitrate = stream_shell::LeadingNumber(
        profile.GetString(kSection, ("BITRATE" + std::to_string(job.layer)).c_str(), "128000"));
    job.videoPath = videoPath;
    job.audioPath = audioPath;
    job.outputPath = outputPath;
    job.video = inputs.video;
    job.audio = inputs.audio;
    ConsoleReport report;
    stream_shell::RealMuxEngine engine;
    const stream_shell::RunResult result = engine.Run(job, report);
    PrintErrorBox(result.errorBox);
    return result.status == stream_shell::RunStatus::Done ? 0 : 1;
}

const Subcommand kBraxel("braxel", "braxel [--analyze]   run Braxel with the [BRAXEL] settings of $VELMAR_INI",
                        RunBraxel);

}  // namespace
