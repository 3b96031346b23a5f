#include "stream_shell/real_engines.h"

#include "ps_demux/demux.h"
#include "ps_mux/mux.h"

namespace stream_shell {

namespace {
// A run this build cannot do ends as an error with a box saying so, never as a silent success.
RunResult NotAvailable(platform::RunReport& report, const std::string& what) {
    report.SetStatus("Error !!!");
    return {RunStatus::Error, what + " is not available in this build"};
}
}  // namespace

stream_analysis::VideoAnalysis RealMuxEngine::AnalyzeVideo(const std::string& path) {
    return stream_analysis::AnalyzeVideoFile(path);
}

stream_analysis::AudioAnalysis RealMuxEngine::AnalyzeAudio(const std::string& path) {
    return stream_analysis::AnalyzeAudioFile(path);
}

RunResult RealMuxEngine::Run(const MuxJob& job, platform::RunReport& report) {
    if (job.outputType == 1 || job.outputType == 2) {
        ps_mux::MuxInputs inputs;
        inputs.version = job.outputType == 1 ? ps_mux::PsVersion::Mpeg1 : ps_mux::PsVersion::Mpeg2;
        inputs.video = job.video;
        inputs.audio = job.audio;
        const ps_mux::MuxResult result =
            ps_mux::RunMuxFiles(inputs, job.videoPath, job.audioPath, job.outputPath, report);
        switch (result.status) {
        case ps_mux::MuxStatus::Done: return {RunStatus::Done, result.errorBox};
        case ps_mux::MuxStatus::Canceled: return {RunStatus::Canceled, result.errorBox};
        case ps_mux::MuxStatus::Error: break;
        }
        return {RunStatus::Error, result.errorBox};
    }
    if (job.outputType == 0) return NotAvailable(report, "DV audio replacement");
    return NotAvailable(report, "WAVE to MPEG audio conversion");
}

stream_analysis::ProgramStreamAnalysis RealDemuxEngine::AnalyzeProgramStream(const std::string& path) {
    return stream_analysis::AnalyzeProgramStream(path);
}

RunResult RealDemuxEngine::Run(const DemuxJob& job, platform::RunReport& report) {
    ps_demux::DemuxSettings settings;
    settings.outputBase = job.outputBase;
    settings.decode = job.decode;
    const ps_demux::DemuxResult result = ps_demux::RunDemuxFile(job.input, job.inputPath, settings, report);
    switch (result.status) {
    case ps_demux::DemuxStatus::Done: return {RunStatus::Done, result.errorBox};
    case ps_demux::DemuxStatus::Discontinued: return {RunStatus::Discontinued, result.errorBox};
    case ps_demux::DemuxStatus::Canceled: return {RunStatus::Canceled, result.errorBox};
    case ps_demux::DemuxStatus::Error: break;
    }
    return {RunStatus::Error, result.errorBox};
}

}  // namespace stream_shell
