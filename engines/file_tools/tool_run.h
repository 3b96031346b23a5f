// What a file tool's worker and its dialog share: the run state the dialog's buttons look at
// (idle, running, cancel requested) and the progress 0..16 the engine reports.
#pragma once

#include <atomic>

namespace file_tools {

enum class ToolResult { Done = 0, Cancelled = 1, FileError = 2, SameFile = 3 };

class ToolRun {
public:
    static constexpr int kIdle = 0;
    static constexpr int kRunning = 1;
    static constexpr int kCancelRequested = 2;
    static constexpr int kProgressSteps = 16;

    int State() const { return state_.load(); }
    // Idle -> running; false when a run is already going.
    bool Begin() {
        int idle = kIdle;
        progress_ = 0;
        return state_.compare_exchange_strong(idle, kRunning);
    }
    // Running -> cancel requested; a no-op otherwise.
    void RequestCancel() {
        int running = kRunning;
        state_.compare_exchange_strong(running, kCancelRequested);
    }
    void End() { state_ = kIdle; }
    bool CancelRequested() const { return state_.load() == kCancelRequested; }

    int Progress() const { return progress_.load(); }
    void SetProgress(int step) { progress_ = step; }

private:
    std::atomic<int> state_{kIdle};
    std::atomic<int> progress_{0};
};

// Progress 0..16 of `done` out of `total` the way all tools count it: done / (total / 16), and 16
// outright when the total is below 16.
inline int ProgressStep(unsigned long long done, unsigned long long total) {
    const unsigned long long unit = total / ToolRun::kProgressSteps;
    if (unit == 0) return ToolRun::kProgressSteps;
    const unsigned long long step = done / unit;
    return step > ToolRun::kProgressSteps ? ToolRun::kProgressSteps : int(step);
}

}  // namespace file_tools
