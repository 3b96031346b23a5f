// The two runs with WAVE audio: the conversion to a file of bare MPEG audio frames, and the
// program stream multiplexer fed with frames encoded as its audio packets need them.
#pragma once

#include <string>

#include "codec_manager/codec_manager.h"
#include "platform/run_report.h"
#include "ps_mux/mux.h"
#include "stream_analysis/analysis.h"

namespace wave_convert {

struct WaveSettings {
    stream_analysis::AudioAnalysis audio;  // the WAVE file's probe
    std::string audioPath;
    int layer = 2;
    int bitrate = 128000;  // bit/s
    const acm::Registry* registry = &acm::Registry::Process();
};

// WAVE to a file of MPEG audio frames, the last padded with silence.
ps_mux::MuxResult RunWaveToMpeg(const WaveSettings& wave, const std::string& outputPath, platform::RunReport& report);

// The multiplexer with a WAVE file as its audio (`inputs.audio` is replaced by the encoder's
// frames' parameters).
ps_mux::MuxResult RunMuxWithWave(ps_mux::MuxInputs inputs, const std::string& videoPath, const WaveSettings& wave,
                                 const std::string& outputPath, platform::RunReport& report);

}  // namespace wave_convert
