#include "stream_shell/tool_dialog.h"

#include <cctype>

namespace stream_shell {

using velmar_ui::BoxButtons;
using velmar_ui::BoxIcon;

// Reports of the worker, carried to the UI thread. Only the run state is read across threads.
class ToolDialog::Report : public platform::RunReport {
public:
    explicit Report(ToolDialog& dialog) : dialog_(dialog) {}

    void SetProgress(int step) override {
        dialog_.PostToUi([&d = dialog_, step] { d.View().SetPosition(kProgressId, step); });
    }
    void SetCounts(std::int64_t done, std::int64_t total) override {
        dialog_.PostToUi([&d = dialog_, done, total] { d.OnRunCounts(done, total); });
    }
    void SetStatus(platform::RunStatus status) override {
        // A discontinued run leaves the line as it was.
        if (status == platform::RunStatus::Discontinued) return;
        dialog_.PostToUi([&d = dialog_, status] { d.View().SetText(kStatusId, platform::StatusText(status)); });
    }
    void AddMessage(const std::string& line) override {
        dialog_.PostToUi([&d = dialog_, line] { d.OnRunMessage(line); });
    }
    void InfoBox(const std::string& text) override {
        // Shown from the worker, which waits for it, as the run's own boxes always were.
        dialog_.Ui().MessageBox({text, "Info", BoxButtons::Ok, BoxIcon::Information});
    }
    bool StopRequested() const override { return dialog_.Run().StopRequested(); }

private:
    ToolDialog& dialog_;
};

ToolDialog::ToolDialog(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::string section, AboutText about)
    : RunDialog(view, ui), section_(std::move(section)), about_(std::move(about)) {}

ToolDialog::~ToolDialog() {
    // A window that goes while its worker runs (the process ends) stops the run first.
    StopAndJoin();
}

bool ToolDialog::StartRun(RunBody body) {
    if (!BeginRun()) return false;
    View().SetRange(kProgressId, {0, platform::kProgressSteps});
    View().SetPosition(kProgressId, 0);
    View().SetText(kStatusId, platform::kProcessingText);
    StartWork([this, body = std::move(body)] {
        Report report(*this);
        return body(report);
    });
    return true;
}

void ToolDialog::OnWorkDone(const RunResult& result) {
    // The box waits on the worker, as a worker's box always did; the run ends after it.
    if (!result.error.empty()) Ui().MessageBox({result.error, "Error", BoxButtons::Ok, BoxIcon::Error});
}

void ToolDialog::ShowRunEnd(const RunResult& result) {
    // A discontinued run keeps the line as it was.
    if (result.status != RunStatus::Discontinued) View().SetText(kStatusId, platform::StatusText(result.status));
    if (result.status == RunStatus::Done) View().SetPosition(kProgressId, platform::kProgressSteps);
    OnRunFinished(result);
    if (closeWhenFinished_ && run_.State() == platform::RunState::Idle) {
        JoinWorker();
        View().CloseWindow();
    }
}

void ToolDialog::OnStop() {
    StopRun();
}

bool ToolDialog::OnCancel() {
    if (run_.State() == platform::RunState::Idle) return true;
    // Closing while a run goes: stop it, and close when the worker has finished.
    OnStop();
    closeWhenFinished_ = true;
    return false;
}

void ToolDialog::OnSysCommand(const velmar_ui::Event& event) {
    if (event.id >= kAboutCommandFirst && event.id <= kAboutCommandLast)
        Ui().MessageBox({about_.text, about_.caption, BoxButtons::Ok, BoxIcon::Information});
}

bool ToolDialog::ChooseRemembered(const char* key, const char* initialName, const char* filter,
                                  std::string& member, Chosen what) {
    velmar_ui::FileChooserSpec chooser;
    chooser.save = what != Chosen::Input;
    chooser.askBeforeReplacing = what == Chosen::Output;
    // Where the path shown lies (typed or chosen), else where the key's last path lay.
    chooser.startFolder = velmar_ui::FolderOf(member);
    if (chooser.startFolder.empty()) chooser.startFolder = velmar_ui::FolderOf(profile_.GetString(section_, key));
    chooser.initialName = initialName;
    chooser.filter = filter;
    const auto chosen = Ui().ChooseFile(chooser);
    if (!chosen) return false;
    member = *chosen;
    UpdateData(false);
    WriteKey(key, member);
    return true;
}

int LeadingNumber(const std::string& text) {
    long long value = 0;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 1000000000) break;
    }
    return static_cast<int>(value);
}

}  // namespace stream_shell
