// The run state every tool dialog shares with its worker: Start is taken only when idle, Stop (or
// Cancel) only asks a running worker to stop, and the dialog closes only when nothing runs.
#pragma once

#include <atomic>

#include "platform/run_report.h"

namespace platform {

enum class RunState {
    Idle,
    Running,
    StopRequested,  // the worker stops at its next unit of work
    Finishing,      // the work is done and the dialog still completes the run (an index to build)
};

// The state, set from either thread, and the progress the worker last reported for a dialog that
// reads it on its timer. It is the whole report of engines that tell no more (the file tools).
class RunControl : public RunReport {
public:
    RunState State() const { return state_.load(); }
    // Idle -> Running with the progress at 0; false when a run is already going.
    bool Begin() {
        RunState idle = RunState::Idle;
        if (!state_.compare_exchange_strong(idle, RunState::Running)) return false;
        progress_ = 0;
        return true;
    }
    // Running -> StopRequested; false (and nothing changed) in any other state.
    bool RequestStop() {
        RunState running = RunState::Running;
        return state_.compare_exchange_strong(running, RunState::StopRequested);
    }
    void SetFinishing() { state_ = RunState::Finishing; }
    void End() { state_ = RunState::Idle; }

    bool StopRequested() const override { return state_.load() == RunState::StopRequested; }
    void SetProgress(int step) override { progress_ = step; }
    int Progress() const { return progress_.load(); }

private:
    std::atomic<RunState> state_{RunState::Idle};
    std::atomic<int> progress_{0};
};

}  // namespace platform
