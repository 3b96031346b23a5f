// What both tool programs add to the run dialog every tool shares: the run's reports carried to the
// UI thread as they come, its end in the status line and an error box, Stop, closing while a run
// goes, the About box, and the choosers that remember their folder in the program's section of
// "VELMAR.INI".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/profile.h"
#include "platform/run_report.h"
#include "platform/run_state.h"
#include "stream_jobs/tool_engines.h"
#include "velmar_ui/run_dialog.h"

namespace stream_shell {

// The runs the dialogs start, and the engines behind them, live below the programs.
using stream_jobs::DemuxEngine;
using stream_jobs::DemuxJob;
using stream_jobs::MuxEngine;
using stream_jobs::MuxJob;
using platform::RunResult;
using platform::RunStatus;

// Command ids of the system menu that open the About box.
inline constexpr int kAboutCommandFirst = 16;
inline constexpr int kAboutCommandLast = 31;

// Ids the two dialogs have in common (1023 shows platform::StatusText of the run).
inline constexpr velmar_ui::ControlId kProgressId = 1000;
inline constexpr velmar_ui::ControlId kStatusId = 1023;

struct AboutText {
    std::string caption;  // "About Braxel"
    std::string text;     // "MPEG Program Mux Version 1.02"
};

class ToolDialog : public velmar_ui::RunDialog {
public:
    ToolDialog(velmar_ui::FormView& view, velmar_ui::UiServices& ui, std::string section, AboutText about);
    ~ToolDialog() override;

    bool OnCancel() override;

    void OnStop();
    void OnSysCommand(const velmar_ui::Event& event);

protected:
    using RunBody = std::function<RunResult(platform::RunReport&)>;

    // Starts `body` on the worker when the tool is idle; does nothing otherwise.
    bool StartRun(RunBody body);

    // Called on the UI thread with what the worker reported.
    virtual void OnRunCounts(std::int64_t /*done*/, std::int64_t /*total*/) {}
    virtual void OnRunMessage(const std::string& /*line*/) {}
    virtual void OnRunFinished(const RunResult& /*result*/) {}

    // What a chooser picks: a file read, a file written (the save form, which asks before
    // replacing it), or the base name of the files written (the save form, asking nothing: the
    // files written are named from it, not it).
    enum class Chosen { Input, Output, OutputBase };

    // The chooser of one remembered path: starts in the folder of `member`, else of the key's last
    // path; on OK stores the path in `member`, shows it and writes the key. Returns whether a file
    // was chosen.
    bool ChooseRemembered(const char* key, const char* initialName, const char* filter, std::string& member,
                          Chosen what = Chosen::Input);

    const platform::Profile& Settings() const { return profile_; }
    const std::string& Section() const { return section_; }
    void WriteKey(const char* key, const std::string& value) const { profile_.WriteString(section_, key, value); }

private:
    class Report;
    void OnWorkDone(const RunResult& result) override;
    void ShowRunEnd(const RunResult& result) override;

    platform::Profile profile_;
    std::string section_;
    AboutText about_;
    bool closeWhenFinished_ = false;
};

// Leading decimal digits of `text` as a number, 0 when there are none (the bitrate texts).
int LeadingNumber(const std::string& text);

}  // namespace stream_shell
