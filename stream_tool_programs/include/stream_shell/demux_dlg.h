// The demultiplexer's dialog ("MPEG Program Demux"): the input and its probe, the output base
// name, the decode choice, the run and its message list.
#pragma once

#include <string>

#include "stream_shell/tool_dialog.h"
#include "velmar_ui/form_spec.h"

namespace stream_shell {

// The message list keeps at most this many lines plus the one just added.
inline constexpr int kMessageListLimit = 1024;

velmar_ui::FormSpec DemuxDlgForm();

class CDemuxDlg : public ToolDialog {
public:
    CDemuxDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, DemuxEngine& engine);
    ~CDemuxDlg() override;

    void OnInitDialog() override;
    bool OnOK() override;
    bool UpdateData(bool save) override;

    void OnInputFile();
    void OnOutputFile();
    void OnChangeOutputBase();
    void OnKillFocusOutputBase();
    void OnChangeInputPath();
    void OnKillFocusInputPath();
    void OnMakeWavAndIndex();
    void OnStart();

    void AnalyzeProgramStream();
    // Appends a line to the message list, dropping the oldest beyond the limit, and scrolls to it.
    void AddMessage(const std::string& line);

    bool Decode() const { return decode_; }

protected:
    bool Dispatch(const velmar_ui::Event& event) override;
    void OnRunMessage(const std::string& line) override { AddMessage(line); }

private:
    DemuxEngine& engine_;
    std::string outputBase_;
    std::string inputPath_;
    bool decode_ = true;
    bool inputEdited_ = false;
    stream_analysis::ProgramStreamAnalysis input_;
};

}  // namespace stream_shell
