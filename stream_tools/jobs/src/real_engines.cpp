#include "stream_jobs/real_engines.h"

#include "dv_audio/dv_audio.h"
#include "ps_demux/demux.h"
#include "ps_mux/mux.h"
#include "wave_convert/convert.h"

namespace stream_jobs {

stream_analysis::VideoAnalysis RealMuxEngine::AnalyzeVideo(const std::string& path) {
    return stream_analysis::AnalyzeVideoFile(path);
}

stream_analysis::AudioAnalysis RealMuxEngine::AnalyzeAudio(const std::string& path) {
    return stream_analysis::AnalyzeAudioFile(path);
}

namespace {
RunResult FromMux(const ps_mux::MuxResult& result) {
    return {result.status, ps::ErrorBoxText(result.fault, result.encoderError)};
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
        return {result.status, ps::ErrorBoxText(result.fault)};
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
    return {result.status, ps::ErrorBoxText(result.fault)};
}

}  // namespace stream_jobs
