// The stream tools' seam wired to the real probes and engines.
#pragma once

#include "stream_jobs/tool_engines.h"

namespace stream_jobs {

class RealMuxEngine : public MuxEngine {
public:
    stream_analysis::VideoAnalysis AnalyzeVideo(const std::string& path) override;
    stream_analysis::AudioAnalysis AnalyzeAudio(const std::string& path) override;
    RunResult Run(const MuxJob& job, platform::RunReport& report) override;
};

class RealDemuxEngine : public DemuxEngine {
public:
    stream_analysis::ProgramStreamAnalysis AnalyzeProgramStream(const std::string& path) override;
    RunResult Run(const DemuxJob& job, platform::RunReport& report) override;
};

}  // namespace stream_jobs
