#include "tool_run_dlg.h"

#include "file_tool_ids.h"

namespace velmar {

using platform::RunResult;
using platform::RunStatus;
using namespace file_tool_ids;

CToolRunDlg::CToolRunDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::function<void()> onClosed)
    : RunDialog(view, ui, RunEnds::WhenShown), onClosed_(std::move(onClosed)) {}

CToolRunDlg::~CToolRunDlg() { StopWorker(); }

void CToolRunDlg::StartWorker(std::function<RunResult()> work) {
    View().SetText(kStatus, platform::kProcessingText);
    View().SetPosition(kProgress, 0);
    run_.TakeMessage();  // a cause left by an earlier run
    SetTimer(kProgressTimer, 100);
    StartWork(std::move(work));
}

bool CToolRunDlg::DispatchRun(const velmar_ui::Event& event) {
    if (event.kind == velmar_ui::EventKind::Command && event.id == kStart) {
        OnStart();
        return true;
    }
    if (event.kind == velmar_ui::EventKind::Command && event.id == kCancelRun) {
        OnCancelRun();
        return true;
    }
    if (event.kind == velmar_ui::EventKind::Timer && event.id == kProgressTimer) {
        OnTimer();
        return true;
    }
    return false;
}

void CToolRunDlg::OnTimer() { View().SetPosition(kProgress, run_.Progress()); }

void CToolRunDlg::ShowRunEnd(const RunResult& result) {
    KillTimer(kProgressTimer);
    View().SetPosition(kProgress, run_.Progress());
    if (result.status == RunStatus::Done) {
        View().SetText(kStatus, platform::kDoneText);
    } else if (result.status == RunStatus::Canceled) {
        View().SetText(kStatus, platform::kCanceledText);
    } else if (result.overInput) {
        View().SetText(kStatus, kFileErrorStatus);
        Ui().MessageBox({SameFileBox(), kErrorCaption});
    } else {
        // The box stays as it always was; the status line says which file and what is wrong.
        const std::string cause = run_.TakeMessage();
        View().SetText(kStatus, cause.empty() ? std::string(kFileErrorStatus) : std::string(kFileErrorStatus) + " " + cause);
        Ui().MessageBox({kFileErrorBox, kErrorCaption});
    }
}

bool CToolRunDlg::OnCancel() {
    if (run_.State() != platform::RunState::Idle) return false;
    if (onClosed_) onClosed_();
    return true;
}

}  // namespace velmar
