// The program stream multiplexer: a video elementary stream and an MPEG audio elementary stream
// joined into an MPEG-1 or MPEG-2 program stream of 2048-byte packs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/run_report.h"
#include "ps_common/byte_io.h"
#include "ps_common/run_fault.h"
#include "ps_mux/pack_writer.h"
#include "stream_analysis/analysis.h"

namespace ps_mux {

inline constexpr std::uint64_t kStartupDelay = 30000;  // 90 kHz ticks

// What the run works from: the probes' results, copied when the run starts.
struct MuxInputs {
    PsVersion version = PsVersion::Mpeg2;
    stream_analysis::VideoAnalysis video;
    // An MPEG audio elementary stream. A WAVE input is encoded before it reaches the multiplexer:
    // the encoder presents its frames as such a stream (same fields, syncByte of its first frame).
    stream_analysis::AudioAnalysis audio;
};

// How a run ended: Done, Canceled or Error with its cause. The converter's runs end the same way.
struct MuxResult {
    platform::RunStatus status = platform::RunStatus::Error;
    ps::RunFault fault = ps::RunFault::None;
    std::uint64_t packs = 0;
    std::string encoderError = {};  // the encoder's own words, with RunFault::EncoderFailed
};

// Statuses go to report (SetStatus), progress 0-16 and byte counts as the run goes.
MuxResult RunMux(const MuxInputs& inputs, ps::ByteSource& video, ps::ByteSource& audio, ps::ByteSink& output,
                 platform::RunReport& report);

// The probe of a long video stream measured only its head; the run's clock comes from the whole
// stream's mean rate, measured here on the run's thread. False when the run was stopped meanwhile
// (Canceled reported; nothing written).
bool MeasureWholeVideo(MuxInputs& inputs, const std::string& videoPath, platform::RunReport& report);

// Opens the files, then RunMux; a file that does not open is the run's fault.
MuxResult RunMuxFiles(MuxInputs inputs, const std::string& videoPath, const std::string& audioPath,
                      const std::string& outputPath, platform::RunReport& report);

// The clock the mux runs at for a pair of bit rates (bit/s).
struct MuxClock {
    std::uint32_t muxRate = 0;   // units of 50 bytes/s
    std::uint64_t scrStep = 0;   // 90 kHz ticks per pack
};
MuxClock ClockFor(std::uint32_t videoBitrate, std::uint32_t audioBitrate);

}  // namespace ps_mux
