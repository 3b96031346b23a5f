// The skeleton of every dialog that runs a tool: the run state it shares with its one worker, the
// work on that worker, the run's end handed back to the UI thread, Stop, and a window that does not
// go while its worker still runs. The tools differ only in what they show and when they close.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "platform/run_report.h"
#include "platform/run_state.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/worker.h"

namespace velmar_ui {

// The run state shared with the worker. It keeps the last line the run reported: the file tools
// tell the cause of a file error that way.
class RunDialogControl : public platform::RunControl {
public:
    void AddMessage(const std::string& line) override {
        std::lock_guard lock(mutex_);
        message_ = line;
    }
    std::string TakeMessage() {
        std::lock_guard lock(mutex_);
        return std::exchange(message_, {});
    }

private:
    std::mutex mutex_;
    std::string message_;
};

class RunDialog : public FormLogic {
public:
    // When a run goes back to idle: as soon as its work is done, or only once the UI thread has
    // shown its end (so that START stays refused until the operator sees the result).
    enum class RunEnds { WhenWorkDone, WhenShown };

    RunDialog(FormView& view, UiServices& ui, RunEnds runEnds = RunEnds::WhenWorkDone)
        : FormLogic(view, ui), runEnds_(runEnds) {}
    ~RunDialog() override { StopAndJoin(); }

    const platform::RunControl& Run() const { return run_; }
    platform::RunState RunState() const { return run_.State(); }
    // Waits for the worker of the last run, if any (tests, and the window before it goes).
    void JoinWorker() { worker_.Join(); }

protected:
    using Work = std::function<platform::RunResult()>;

    // Idle -> running; false when a run already goes.
    bool BeginRun() { return run_.Begin(); }
    // Runs `work` on the worker for a run that has begun. On the worker the result goes to
    // OnWorkDone (boxes the worker waits for), then, on the UI thread, to ShowRunEnd.
    void StartWork(Work work);
    // Asks a running worker to stop at its next unit of work.
    void StopRun() { run_.RequestStop(); }
    // Stops a running worker and waits for it: every dialog's end, before its own members go.
    void StopAndJoin() {
        run_.RequestStop();
        worker_.Join();
    }
    // The result of the last run; read it once the run is idle.
    const platform::RunResult& LastResult() const { return last_; }

    virtual void OnWorkDone(const platform::RunResult& /*result*/) {}
    // A run that ends when shown may be left Finishing here (a step of its own still to do on the
    // UI thread); the dialog then ends it with run_.End().
    virtual void ShowRunEnd(const platform::RunResult& /*result*/) {}

    // The run's state, and the report of engines that tell no more than progress and messages.
    RunDialogControl run_;

private:
    RunEnds runEnds_;
    platform::RunResult last_;
    Worker worker_;  // last: joined before the rest goes
};

}  // namespace velmar_ui
