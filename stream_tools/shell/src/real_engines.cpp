#include "stream_shell/real_engines.h"

#include "dv_audio/dv_audio.h"
#include "ps_demux/demux.h"
#include "ps_mux/mux.h"
#include "wave_convert/convert.h"

namespace stream_shell {

stream_analysis::VideoAnalysis RealMuxEngine::AnalyzeVideo(const std::string& path) {
    return stream_analysis::AnalyzeVideoFile(path);
}

stream_analysis::AudioAnalysis RealMuxEngine::AnalyzeAudio(const std::string& path) {
    return stream_analysis::AnalyzeAudioFile(path);
}

namespace {
RunResult FromMux(const ps_mux::MuxResult& result) {
    switch (result.status) {
    case ps_mux::MuxStatus::Done: return {RunStatus::Done, result.errorBox};
    case ps_mux::MuxStatus::Canceled: return {RunStatus::Canceled, result.errorBox};
    case ps_mux::MuxStatus::Error: break;
    }
    return {RunStatus::Error, result.errorBox};
}
}  // namespace

RunResult RealMuxEngine::Run(const MuxJob& job, platform::RunReport& report) {
    wave_convert::WaveSettings wave;
    wave.audio = job.audio;
    wave.audioPath = job.audioPath;
    wave.layer = job.layer;
    wave.bitrate = job.audioBitrate;
    if (job.outputType == 1 || job.outputType == 2) {
        ps_mux::MuxInputs inputs;
        inputs.version = job.outputType == 1 ? ps_mux::PsVersion::Mpeg1 : ps_mux::PsVersion::Mpeg2;
        inputs.video = job.video;
        inputs.audio = job.audio;
        if (job.audio.type == stream_analysis::AudioType::Wave)
            return FromMux(wave_convert::RunMuxWithWave(inputs, job.videoPath, wave, job.outputPath, report));
        return FromMux(ps_mux::RunMuxFiles(inputs, job.videoPath, job.audioPath, job.outputPath, report));
    }
    if (job.outputType == 0) {
        const dv_audio::DvResult result =
            dv_audio::RunDvAudio(job.video, job.audio, job.videoPath, job.audioPath, job.outputPath, report);
        switch (result.status) {
        case dv_audio::DvStatus::Done: return {RunStatus::Done, result.errorBox};
        case dv_audio::DvStatus::Canceled: return {RunStatus::Canceled, result.errorBox};
        case dv_audio::DvStatus::Error: break;
        }
        return {RunStatus::Error, result.errorBox};
    }
    return FromMux(wave_convert::RunWaveToMpeg(wave, job.outputPath, report));
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
