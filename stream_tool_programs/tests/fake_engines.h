// Engines for the dialogs' tests: probe results by path, and runs that report what the test
// scripts and can be held until the test lets them go.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "stream_jobs/tool_engines.h"

namespace stream_shell::testing {

// Holds a run until the test opens it.
class Gate {
public:
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void Close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = true;
};

// One scripted run: progress steps, counts, messages, then the result; Canceled when Stop was
// pressed before the gate opened.
class FakeRun {
public:
    Gate gate;
    std::vector<std::string> messages;
    platform::RunResult result{platform::RunStatus::Done, ""};
    int runs = 0;

    platform::RunResult Play(platform::RunReport& report) {
        ++runs;
        report.SetStatus(platform::RunStatus::Processing);
        report.SetProgress(1);
        report.SetCounts(2048, 65536);
        gate.Wait();
        if (report.StopRequested()) {
            report.SetStatus(platform::RunStatus::Canceled);
            return {platform::RunStatus::Canceled, ""};
        }
        for (const auto& line : messages) report.AddMessage(line);
        report.SetProgress(8);
        if (result.status == platform::RunStatus::Discontinued) report.AddMessage("Process discontinued");
        return result;
    }
};

class FakeMuxEngine : public stream_jobs::MuxEngine {
public:
    std::map<std::string, stream_analysis::VideoAnalysis> videos;
    std::map<std::string, stream_analysis::AudioAnalysis> audios;
    std::vector<std::string> videoProbes, audioProbes;
    FakeRun run;
    stream_jobs::MuxJob lastJob;

    stream_analysis::VideoAnalysis AnalyzeVideo(const std::string& path) override {
        videoProbes.push_back(path);
        auto found = videos.find(path);
        return found == videos.end() ? stream_analysis::VideoAnalysis{} : found->second;
    }
    stream_analysis::AudioAnalysis AnalyzeAudio(const std::string& path) override {
        audioProbes.push_back(path);
        auto found = audios.find(path);
        return found == audios.end() ? stream_analysis::AudioAnalysis{} : found->second;
    }
    platform::RunResult Run(const stream_jobs::MuxJob& job, platform::RunReport& report) override {
        lastJob = job;
        return run.Play(report);
    }
};

class FakeDemuxEngine : public stream_jobs::DemuxEngine {
public:
    std::map<std::string, stream_analysis::ProgramStreamAnalysis> inputs;
    std::vector<std::string> probes;
    FakeRun run;
    stream_jobs::DemuxJob lastJob;

    stream_analysis::ProgramStreamAnalysis AnalyzeProgramStream(const std::string& path) override {
        probes.push_back(path);
        auto found = inputs.find(path);
        return found == inputs.end() ? stream_analysis::ProgramStreamAnalysis{} : found->second;
    }
    platform::RunResult Run(const stream_jobs::DemuxJob& job, platform::RunReport& report) override {
        lastJob = job;
        return run.Play(report);
    }
};

}  // namespace stream_shell::testing
