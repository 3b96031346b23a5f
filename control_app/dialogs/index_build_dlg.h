// The index builder's progress dialog (dialog 136): runs the builder on a worker while it shows
// what is being built, the bytes read and a bar of 16 steps; Cancel asks the worker to stop and the
// dialog closes once it has. Callers: construct it on a stream path, run the window modally, then
// ask Completed() (the dialog's IDOK): true only when the index now exists and is complete.
#pragma once

#include <string>

#include "index_builder/index_builder.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"
#include "velmar_ui/run_dialog.h"

namespace velmar {

velmar_ui::FormSpec IndexBuildForm();

class CIndexBuildDlg : public velmar_ui::RunDialog {
public:
    CIndexBuildDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::string streamPath);
    ~CIndexBuildDlg() override;

    void OnInitDialog() override;
    // OK closes nothing while the worker runs: closing early would tell the caller an unfinished
    // index is complete. The dialog closes itself when the worker ends.
    bool OnOK() override { return false; }
    // Asks the worker to stop at its next block; the dialog stays until it has.
    bool OnCancel() override;
    void OnTimer();

    // The run on the worker: 0 failed (the operator has been told why), 1 cancelled, 2 done.
    int BuildIndexFile();

    bool Completed() const { return closed_ && LastResult().status == platform::RunStatus::Done; }
    const std::string& IndexPath() const { return outcome_.indexPath; }

    static constexpr int kPollTimer = 1;
    static constexpr int kPollMs = 100;

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CIndexBuildDlg>& Map();

    const std::string m_path;
    index_builder::BuildOutcome outcome_;  // written by the worker, read after it ended
    bool closed_ = false;
};

}  // namespace velmar
