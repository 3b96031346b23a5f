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

// The builder's reports, handed to the UI thread; the cancel request read straight from the flag.
class DialogObserver : public index_builder::BuildObserver {
public:
    DialogObserver(std::function<void(std::function<void()>)> post, velmar_ui::FormView& view,
                   const std::atomic<bool>& cancel)
        : post_(std::move(post)), view_(view), cancel_(cancel) {}

    void OnIndexCreated(const std::string& status) override {
        post_([&view = view_, status] { view.SetText(kIndexBuildWhat, status); });
    }
    void OnBytesRead(std::uint64_t total, int progress) override {
        post_([&view = view_, total, progress] {
            view.SetText(kIndexBuildBytes, "Bytes Read = " + std::to_string(total));
            if (progress > view.Position(kIndexBuildProgress)) view.SetPosition(kIndexBuildProgress, progress);
        });
    }
    bool CancelRequested() override { return cancel_.load(); }

private:
    std::function<void(std::function<void()>)> post_;
    velmar_ui::FormView& view_;
    const std::atomic<bool>& cancel_;
};

}  // namespace

CIndexBuildDlg::CIndexBuildDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::string streamPath)
    : FormLogic(view, ui), m_path(std::move(streamPath)) {}

CIndexBuildDlg::~CIndexBuildDlg() {
    m_cancel = true;
    worker_.Join();
}

const velmar_ui::MessageMap<CIndexBuildDlg>& CIndexBuildDlg::Map() {
    static const velmar_ui::MessageMap<CIndexBuildDlg> map{
        velmar_ui::OnTimerId(kPollTimer, &CIndexBuildDlg::OnTimer),
    };
    return map;
}

void CIndexBuildDlg::OnInitDialog() {
    m_failed = false;
    m_cancel = false;
    finished_ = false;
    closed_ = false;
    View().SetRange(kIndexBuildProgress, {0, index_builder::kProgressSteps});
    View().SetPosition(kIndexBuildProgress, 0);
    worker_.Start([this] { IndexBuildThread(); });
    SetTimer(kPollTimer, kPollMs);
}

bool CIndexBuildDlg::OnCancel() {
    m_cancel = true;
    return false;
}

void CIndexBuildDlg::OnTimer() {
    if (!finished_.load()) return;
    KillTimer(kPollTimer);
    worker_.Join();
    closed_ = true;
    View().CloseWindow();
}

void CIndexBuildDlg::IndexBuildThread() {
    // The builder itself removes the index of a failed or cancelled run.
    if (BuildIndexFile() != int(index_builder::BuildResult::Done)) m_failed = true;
    finished_ = true;
}

int CIndexBuildDlg::BuildIndexFile() {
    DialogObserver observer([this](std::function<void()> task) { PostToUi(std::move(task)); }, View(), m_cancel);
    const auto outcome = index_builder::BuildIndexFile(m_path, &observer);
    indexPath_ = outcome.indexPath;
    if (outcome.result == index_builder::BuildResult::Failed)
        Ui().MessageBox({outcome.message, "Velmar Message", velmar_ui::BoxButtons::Ok, velmar_ui::BoxIcon::None});
    return int(outcome.result);
}

}  // namespace velmar
