#include "tool_run_dlg.h"

#include "file_tool_ids.h"

namespace velmar {

using file_tools::ToolResult;
using namespace file_tool_ids;

CToolRunDlg::CToolRunDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::function<void()> onClosed)
    : FormLogic(view, ui), onClosed_(std::move(onClosed)) {}

CToolRunDlg::~CToolRunDlg() { StopWorker(); }

void CToolRunDlg::StopWorker() {
    run_.RequestStop();
    worker_.Join();
}

void CToolRunDlg::StartWorker(std::function<ToolResult()> work) {
    View().SetText(kStatus, platform::kProcessingText);
    View().SetPosition(kProgress, 0);
    run_.TakeMessage();  // a cause left by an earlier run
    SetTimer(kProgressTimer, 100);
    worker_.Start([this, work = std::move(work)] {
        const ToolResult result = work();
        PostToUi([this, result] { Report(result); });
    });
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

void CToolRunDlg::Report(ToolResult result) {
    KillTimer(kProgressTimer);
    View().SetPosition(kProgress, run_.Progress());
    switch (result) {
    case ToolResult::Done: View().SetText(kStatus, platform::kDoneText); break;
    case ToolResult::Cancelled: View().SetText(kStatus, platform::kCanceledText); break;
    case ToolResult::FileError: {
        // The box stays as it always was; the status line says which file and what is wrong.
        const std::string cause = run_.TakeMessage();
        View().SetText(kStatus, cause.empty() ? std::string(kFileErrorStatus) : std::string(kFileErrorStatus) + " " + cause);
        Ui().MessageBox({kFileErrorBox, kErrorCaption});
        break;
    }
    case ToolResult::SameFile:
        View().SetText(kStatus, kFileErrorStatus);
        Ui().MessageBox({SameFileBox(), kErrorCaption});
        break;
    }
    run_.End();
}

bool CToolRunDlg::OnCancel() {
    if (run_.State() != platform::RunState::Idle) return false;
    if (onClosed_) onClosed_();
    return true;
}

}  // namespace velmar
