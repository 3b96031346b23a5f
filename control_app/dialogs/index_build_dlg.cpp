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

// The builder's reports, handed to the UI thread; the stop request read straight from the run.
class DialogReport : public platform::RunReport {
public:
    DialogReport(std::function<void(std::function<void()>)> post, velmar_ui::FormView& view,
                 const platform::RunControl& run)
        : post_(std::move(post)), view_(view), run_(run) {}

    void AddMessage(const std::string& status) override {
        post_([&view = view_, status] { view.SetText(kIndexBuildWhat, status); });
    }
    void SetProgress(int step) override {
        post_([&view = view_, step] {
            if (step > view.Position(kIndexBuildProgress)) view.SetPosition(kIndexBuildProgress, step);
        });
    }
    void SetCounts(std::int64_t done, std::int64_t /*total*/) override {
        post_([&view = view_, done] { view.SetText(kIndexBuildBytes, "Bytes Read = " + std::to_string(done)); });
    }
    bool StopRequested() const override { return run_.StopRequested(); }

private:
    std::function<void(std::function<void()>)> post_;
    velmar_ui::FormView& view_;
    const platform::RunControl& run_;
};

// The numbers the dialog's run has always returned.
int ResultNumber(platform::RunStatus status) {
    switch (status) {
    case platform::RunStatus::Done: return 2;
    case platform::RunStatus::Canceled: return 1;
    default: return 0;
    }
}

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
    // The run ends with the builder's own result; BuildIndexFile's number says the same.
    StartWork([this] {
        BuildIndexFile();
        return outcome_.run;
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
    DialogReport report([this](std::function<void()> task) { PostToUi(std::move(task)); }, View(), run_);
    outcome_ = index_builder::BuildIndexFile(m_path, &report);
    if (outcome_.run.status == platform::RunStatus::Error)
        Ui().MessageBox({outcome_.run.error, "Velmar Message", velmar_ui::BoxButtons::Ok, velmar_ui::BoxIcon::None});
    return ResultNumber(outcome_.run.status);
}

}  // namespace velmar
