// The program stream demultiplexer: one file per elementary stream ("<base><id>.mpg"), and while
// decoding a WAVE file per MPEG audio stream and a .mdb picture index per video stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/run_report.h"
#include "ps_common/byte_io.h"
#include "ps_common/run_fault.h"
#include "ps_demux/track_audio_decoder.h"
#include "stream_analysis/analysis.h"

namespace ps_demux {

inline constexpr int kMaxTracks = 16;

struct DemuxSettings {
    std::string outputBase;  // PATHMO
    bool decode = true;      // DECOMP: .wav and .mdb while demultiplexing
    AudioDecoderFactory audioDecoder = DefaultAudioDecoder();
    // Where the output files go; by default the file system.
    std::function<std::unique_ptr<ps::ByteSink>(const std::string& path)> createFile;
};

// How a run ended: Done ("Finished !!!" listed), Discontinued (it stopped early and said why in
// its messages, "Process discontinued" the last), Canceled, or Error with its cause: refused at the
// start, damaged data in the stream, or a track that could not be written.
struct DemuxResult {
    platform::RunStatus status = platform::RunStatus::Error;
    ps::RunFault fault = ps::RunFault::None;
    int tracks = 0;
};

// `analysis` is the probe of the input (AnalyzeProgramStream); the run refuses an input it did not
// accept. Messages go to report.AddMessage, statuses to SetStatus.
DemuxResult RunDemux(const stream_analysis::ProgramStreamAnalysis& analysis, ps::ByteSource& input,
                     const DemuxSettings& settings, platform::RunReport& report);
DemuxResult RunDemuxFile(const stream_analysis::ProgramStreamAnalysis& analysis, const std::string& inputPath,
                         const DemuxSettings& settings, platform::RunReport& report);

}  // namespace ps_demux
