// The Alpha File Generator (modeless): the operator picks a type, the picture size, the field
// count and the levels or block size; Start runs the generator on a worker with the progress bar
// over the fields; when the run has ended well the dialog's timer has the stream's .adb built.
// One exists at a time: the opener keeps a pointer that `onClosed` clears.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "alpha_stream/alpha_generators.h"
#include "platform/profile.h"
#include "platform/run_state.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"
#include "velmar_ui/run_dialog.h"

namespace velmar {

velmar_ui::FormSpec AlphaGenForm();

// A run ends once its end is shown; one that ended well stays Finishing until the timer has its
// index built.
class CAlphaGenDlg : public velmar_ui::RunDialog {
public:
    // `runIndexBuild` builds the index of a stream file (the index builder's dialog) and tells
    // whether it is complete; `onClosed` runs when the dialog closes.
    CAlphaGenDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                 std::function<bool(const std::string& path)> runIndexBuild, std::function<void()> onClosed);
    ~CAlphaGenDlg() override;

    static constexpr int kTimerId = 1;
    static constexpr int kTimerMs = 100;

    void OnInitDialog() override;
    bool OnOK() override { return false; }  // Enter does not close the tool
    bool OnCancel() override;
    void OnBrowse();
    void OnAlphaGenStart();
    void OnSelchangeAlphaType();
    void OnChangeFileName();
    void OnKillFocusFileName();
    void OnSpin(const velmar_ui::Event& event);
    void OnTimer();
    bool UpdateData(bool save) override;

    // Finishing while the .adb of a good run is still to build.
    platform::RunState ToolRunState() const { return RunState(); }
    const alpha_stream::AlphaGenParams& Params() const { return params_; }

    // Where the generator's lines per field go at the debug log level (standard output by default):
    // four lines a field are a trace for whoever looks into a stream, not news for the operator.
    std::FILE* console = stdout;

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CAlphaGenDlg>& Map();
    platform::RunResult AlphaGenThread();
    void ShowRunEnd(const platform::RunResult& result) override;
    // A spin's position as its buddy edit shows it, within the spin's range.
    int SpinValue(velmar_ui::ControlId spin) const;

    const platform::Profile& profile_;
    std::function<bool(const std::string&)> runIndexBuild_;
    std::function<void()> onClosed_;

    std::string m_fileName;
    int m_blockSize = 32;
    int m_startLevel = 255;
    int m_endLevel = 0;
    int m_fieldCount = 50;

    alpha_stream::AlphaGenParams params_;  // filled on the UI thread before the worker starts
};

}  // namespace velmar
