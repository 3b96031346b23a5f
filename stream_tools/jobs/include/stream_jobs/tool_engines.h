// The narrow seam between the stream tools' front ends (the Braxel and Ostrand dialogs, ps-tool)
// and the engines: the probes and one run. The programs use the real engines; the dialogs' tests
// use fakes.
#pragma once

#include <string>

#include "platform/run_report.h"
#include "stream_analysis/analysis.h"

namespace stream_jobs {

// A run ends Done, Canceled, Discontinued or Error; `error` is the text of its "Error" box.
using platform::RunResult;
using platform::RunStatus;

// What a `Braxel` run works from, copied when it starts: later edits and probes do not reach it.
struct MuxJob {
    int outputType = 2;  // MPSTYPE: 0 DV audio, 1 MPEG-1 PS, 2 MPEG-2 PS, 3 MPEG audio from WAVE
    int layer = 2;
    int audioBitrate = 128000;
    std::string videoPath;
    std::string audioPath;
    std::string outputPath;
    stream_analysis::VideoAnalysis video;
    stream_analysis::AudioAnalysis audio;
};

class MuxEngine {
public:
    virtual ~MuxEngine() = default;
    virtual stream_analysis::VideoAnalysis AnalyzeVideo(const std::string& path) = 0;
    virtual stream_analysis::AudioAnalysis AnalyzeAudio(const std::string& path) = 0;
    // Runs on the worker thread; reports progress, counts and texts and polls for Stop.
    virtual RunResult Run(const MuxJob& job, platform::RunReport& report) = 0;
};

// What an `Ostrand` run works from.
struct DemuxJob {
    std::string inputPath;
    std::string outputBase;
    bool decode = true;  // DECOMP: make .wav and .mdb files too
    stream_analysis::ProgramStreamAnalysis input;
};

class DemuxEngine {
public:
    virtual ~DemuxEngine() = default;
    virtual stream_analysis::ProgramStreamAnalysis AnalyzeProgramStream(const std::string& path) = 0;
    virtual RunResult Run(const DemuxJob& job, platform::RunReport& report) = 0;
};

}  // namespace stream_jobs
