// The audio of a DV file replaced by the samples of a 48 kHz 16-bit stereo WAVE file: the file is
// copied DIF sequence by DIF sequence with the WAVE's samples shuffled into the audio blocks and
// new AAUX packs beside them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/run_report.h"
#include "ps_common/byte_io.h"
#include "ps_common/run_fault.h"
#include "stream_analysis/analysis.h"

namespace dv_audio {

inline constexpr std::size_t kSequenceBytes = 12000;

// How a run ended: Done, Canceled or Error with its cause.
struct DvResult {
    platform::RunStatus status = platform::RunStatus::Error;
    ps::RunFault fault = ps::RunFault::None;
    std::uint64_t frames = 0;
};

// Stereo samples of frame `frame` (counted from 1): 1920 with 625 lines; with 525 lines 1600 in
// frames 1, 6, 11, ... and 1602 in the others.
int SamplesInFrame(std::uint64_t frame, bool lines625);

// Where sample `i` of a frame goes in the audio blocks: DIF sequence (of the first channel; the
// second channel's is that plus 5 or 6), audio block 0-8 and sample position 0-35 in the block.
struct BlockPlace {
    int sequence = 0;
    int block = 0;
    int position = 0;
};
BlockPlace ShufflePlace(int i, bool lines625);

// The copy over open streams: `wave` is positioned at the samples, `waveBytes` of them.
DvResult ReplaceDvAudio(const stream_analysis::VideoAnalysis& video, ps::ByteSource& dv, ps::ByteSource& wave,
                        std::uint64_t waveBytes, ps::ByteSink& output, platform::RunReport& report);

// The run with its checks and files: the WAVE must be 48 kHz 16-bit stereo PCM (checked before
// any file is opened) and the video DV.
DvResult RunDvAudio(const stream_analysis::VideoAnalysis& video, const stream_analysis::AudioAnalysis& audio,
                    const std::string& videoPath, const std::string& audioPath, const std::string& outputPath,
                    platform::RunReport& report);

}  // namespace dv_audio
