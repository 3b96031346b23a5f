#include "index_build_dlg.h"

#include "dialog_ids.h"

namespace velmar {

using namespace dialog_ids;
using velmar_ui::ControlKind;

velmar_ui::FormSpec IndexBuildForm() {
    velmar_ui::FormSpec form;
    form.title = "Index Builder";
    form.controls = {
        {kIndexBuildWhat, ControlKind::Label, "", "", 0, 0, 1, 2},
        {kIndexBuildProgress, ControlKind::ProgressBar, "", "", 1, 0, 1, 2},
        {kIndexBuildBytes, ControlKind::Label, "", "", 2, 0, 1, 2},
        {kOk, ControlKind::PushButton, "OK", "", 3, 0},
        {kCancel, ControlKind::PushButton, "Cancel", "", 3, 1},
    };
    return form;
}

namespace {

// The builder's reports, handed to the UI thread; the cancel request read straight from the run.
class DialogObserver : public index_builder::BuildObserver {
public:
    DialogObserver(std::function<void(std::function<void()>)> post, velmar_ui::FormView& view,
                   const platform::RunControl& run)
        : post_(std::move(post)), view_(view), run_(run) {}

    void OnIndexCreated(const std::string& status) override {
        post_([&view = view_, status] { view.SetText(kIndexBuildWhat, status); });
    }
    void OnBytesRead(std::uint64_t total, int progress) override {
        post_([&view = view_, total, progress] {
            view.SetText(kIndexBuildBytes, "Bytes Read = " + std::to_string(total));
            if (progress > view.Position(kIndexBuildProgress)) view.SetPosition(kIndexBuildProgress, progress);
        });
    }
    bool CancelRequested() override { return run_.StopRequested(); }

private:
    std::function<void(std::function<void()>)> post_;
    velmar_ui::FormView& view_;
    const platform::RunControl& run_;
};

}  // namespace

CIndexBuildDlg::CIndexBuildDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::string streamPath)
    : RunDialog(view, ui), m_path(std::move(streamPath)) {}

CIndexBuildDlg::~CIndexBuildDlg() { StopAndJoin(); }

const velmar_ui::MessageMap<CIndexBuildDlg>& CIndexBuildDlg::Map() {
    static const velmar_ui::MessageMap<CIndexBuildDlg> map{
        velmar_ui::OnTimerId(kPollTimer, &CIndexBuildDlg::OnTimer),
    };
    return map;
}

void CIndexBuildDlg::OnInitDialog() {
    closed_ = false;
    BeginRun();
    View().SetRange(kIndexBuildProgress, {0, platform::kProgressSteps});
    View().SetPosition(kIndexBuildProgress, 0);
    // The builder itself removes the index of a failed or cancelled run.
    StartWork([this] {
        switch (index_builder::BuildResult(BuildIndexFile())) {
        case index_builder::BuildResult::Done: return platform::RunResult{platform::RunStatus::Done, {}, false};
        case index_builder::BuildResult::Cancelled: return platform::RunResult{platform::RunStatus::Canceled, {}, false};
        default: return platform::RunResult{};  // failed; the operator has been told why
        }
    });
    SetTimer(kPollTimer, kPollMs);
}

bool CIndexBuildDlg::OnCancel() {
    StopRun();
    return false;
}

void CIndexBuildDlg::OnTimer() {
    if (run_.State() != platform::RunState::Idle) return;
    KillTimer(kPollTimer);
    JoinWorker();
    closed_ = true;
    View().CloseWindow();
}

int CIndexBuildDlg::BuildIndexFile() {
    DialogObserver observer([this](std::function<void()> task) { PostToUi(std::move(task)); }, View(), run_);
    const auto outcome = index_builder::BuildIndexFile(m_path, &observer);
    indexPath_ = outcome.indexPath;
    if (outcome.result == index_builder::BuildResult::Failed)
        Ui().MessageBox({outcome.message, "Velmar Message", velmar_ui::BoxButtons::Ok, velmar_ui::BoxIcon::None});
    return int(outcome.result);
}

}  // namespace velmar
