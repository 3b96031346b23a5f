// The run every file tool dialog shares: START hands the engine to a worker ("Processing...", the
// progress bar fed by a timer), CANCEL asks it to stop, the end is reported in the status line
// (with a box for errors), and EXIT closes the dialog only when nothing runs.
#pragma once

#include <functional>

#include "file_tools/tool_run.h"
#include "velmar_ui/run_dialog.h"

namespace velmar {

// Report texts of the file tools (with the status texts every tool shares).
inline constexpr const char* kErrorCaption = "Velmar Error";
inline constexpr const char* kFileErrorStatus = "FILE ERROR !!!";
inline constexpr const char* kFileErrorBox = "File Error!";
inline constexpr const char* kOverwriteSourceBox = "Can't write over the source file!";

// The run ends only once its end is shown, so START stays refused until then; the last line the
// engine reported is the cause of a file error, shown after the status.
class CToolRunDlg : public velmar_ui::RunDialog {
public:
    static constexpr int kProgressTimer = 1;

    // `onClosed` clears the owner's pointer to this dialog (it exists once).
    CToolRunDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::function<void()> onClosed);
    ~CToolRunDlg() override;

    bool OnCancel() override;  // EXIT and the close button: only when idle
    // START: the tool's checks, then StartWorker.
    virtual void OnStart() = 0;
    void OnCancelRun() { StopRun(); }
    void OnTimer();

protected:
    // START, CANCEL and the progress timer, which every tool routes alike; false for other events.
    bool DispatchRun(const velmar_ui::Event& event);
    // Runs `work` on the worker once the run has begun; its result is reported on the UI thread.
    void StartWorker(std::function<platform::RunResult()> work);
    // Cancels a running worker and waits for it.
    void StopWorker() { StopAndJoin(); }
    // The box when the destination is the source itself.
    virtual const char* SameFileBox() const { return kOverwriteSourceBox; }

private:
    void ShowRunEnd(const platform::RunResult& result) override;

    std::function<void()> onClosed_;
};

}  // namespace velmar
