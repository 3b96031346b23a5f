// The run every file tool dialog shares: START hands the engine to a worker ("Processing...", the
// progress bar fed by a timer), CANCEL asks it to stop, the end is reported in the status line
// (with a box for errors), and EXIT closes the dialog only when nothing runs.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "file_tools/tool_run.h"
#include "platform/run_state.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/worker.h"

namespace velmar {

// Report texts of the file tools (with the status texts every tool shares).
inline constexpr const char* kErrorCaption = "Velmar Error";
inline constexpr const char* kFileErrorStatus = "FILE ERROR !!!";
inline constexpr const char* kFileErrorBox = "File Error!";
inline constexpr const char* kOverwriteSourceBox = "Can't write over the source file!";

// The run state shared with the worker, keeping the last line the engine reported: the cause of
// a file error, shown after the status.
class ToolRunControl : public platform::RunControl {
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

class CToolRunDlg : public velmar_ui::FormLogic {
public:
    static constexpr int kProgressTimer = 1;

    // `onClosed` clears the owner's pointer to this dialog (it exists once).
    CToolRunDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::function<void()> onClosed);
    ~CToolRunDlg() override;

    bool OnCancel() override;  // EXIT and the close button: only when idle
    // START: the tool's checks, then StartWorker.
    virtual void OnStart() = 0;
    void OnCancelRun() { run_.RequestStop(); }
    void OnTimer();

    const platform::RunControl& Run() const { return run_; }
    // Waits for a running worker (tests, and the window before it goes).
    void JoinWorker() { worker_.Join(); }

protected:
    // START, CANCEL and the progress timer, which every tool routes alike; false for other events.
    bool DispatchRun(const velmar_ui::Event& event);
    // Runs `work` on the worker once the run has begun; its result is reported on the UI thread.
    void StartWorker(std::function<platform::RunResult()> work);
    // Cancels a running worker and waits for it.
    void StopWorker();
    // The box when the destination is the source itself.
    virtual const char* SameFileBox() const { return kOverwriteSourceBox; }

    // The run's state, and the report the engines write their progress and messages to.
    ToolRunControl run_;

private:
    void Report(const platform::RunResult& result);

    std::function<void()> onClosed_;
    velmar_ui::Worker worker_;
};

}  // namespace velmar
