#include "stream_shell/demux_dlg.h"

#include "stream_shell/demux_dlg_ids.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/message_map.h"

namespace stream_shell {

using namespace demux_ids;
using namespace velmar_ui;

namespace {
constexpr const char* kSection = "OSTRAND";
constexpr const char* kFilter = "MPEG Files (*.m*)|*.m*|All Files (*.*)|*.*||";
}  // namespace

CDemuxDlg::CDemuxDlg(FormView& view, UiServices& ui, DemuxEngine& engine)
    : ToolDialog(view, ui, kSection, {"About Ostrand", "MPEG Program Demux Version 1.02"}), engine_(engine) {}

CDemuxDlg::~CDemuxDlg() { JoinWorker(); }

bool CDemuxDlg::Dispatch(const Event& event) {
    static const MessageMap<CDemuxDlg> map{
        OnAnySystemCommand(&CDemuxDlg::OnSysCommand),
        OnCommand(kOutputFile, &CDemuxDlg::OnOutputFile),
        OnCommand(kInputFile, &CDemuxDlg::OnInputFile),
        OnEditChange(kOutputBase, &CDemuxDlg::OnChangeOutputBase),
        OnEditLostFocus(kOutputBase, &CDemuxDlg::OnKillFocusOutputBase),
        OnEditChange(kInputPath, &CDemuxDlg::OnChangeInputPath),
        OnEditLostFocus(kInputPath, &CDemuxDlg::OnKillFocusInputPath),
        OnCommand(kMakeWavAndIndex, &CDemuxDlg::OnMakeWavAndIndex),
        OnCommand(kStart, &CDemuxDlg::OnStart),
        OnCommand(kStop, &CDemuxDlg::OnStop),
    };
    return map.Dispatch(*this, event);
}

bool CDemuxDlg::UpdateData(bool save) {
    static const DataExchange<CDemuxDlg> table{
        DdxText(kOutputBase, &CDemuxDlg::outputBase_),
        DdxText(kInputPath, &CDemuxDlg::inputPath_),
    };
    return table.UpdateData(*this, View(), Ui(), save);
}

void CDemuxDlg::OnInitDialog() {
    decode_ = Settings().GetInt(kSection, "DECOMP", 1) == 1;
    View().SetChecked(kMakeWavAndIndex, decode_);
    inputPath_ = Settings().GetString(kSection, "PATHMP");
    outputBase_ = Settings().GetString(kSection, "PATHMO");
    View().SetRange(kProgress, {0, platform::kProgressSteps});
    UpdateData(false);
    AnalyzeProgramStream();
    AddMessage("Ready !!!");
}

bool CDemuxDlg::OnOK() {
    if (inputEdited_) AnalyzeProgramStream();
    return false;
}

void CDemuxDlg::OnInputFile() {
    ChooseRemembered("PATHMP", "*.m*", kFilter, inputPath_);
    AnalyzeProgramStream();  // also after a cancel
}

void CDemuxDlg::OnOutputFile() { ChooseRemembered("PATHMO", "*.m*", kFilter, outputBase_, Chosen::OutputBase); }

void CDemuxDlg::OnChangeOutputBase() { UpdateData(true); }

void CDemuxDlg::OnKillFocusOutputBase() {
    WriteKey("PATHMO", outputBase_);
    View().SelectAllText(kOutputBase);
}

void CDemuxDlg::OnChangeInputPath() {
    inputEdited_ = true;
    UpdateData(true);
}

void CDemuxDlg::OnKillFocusInputPath() {
    WriteKey("PATHMP", inputPath_);
    if (inputEdited_) AnalyzeProgramStream();
    View().SelectAllText(kInputPath);
}

void CDemuxDlg::OnMakeWavAndIndex() {
    decode_ = !decode_;
    View().SetChecked(kMakeWavAndIndex, decode_);
    WriteKey("DECOMP", decode_ ? "1" : "0");
}

void CDemuxDlg::AnalyzeProgramStream() {
    inputEdited_ = false;
    input_ = engine_.AnalyzeProgramStream(inputPath_);
    View().SetText(kStreamType, input_.kind);
    View().SetText(kBitrate, input_.bitrateText);
    View().SetText(kDuration, input_.durationText);
    if (!input_.error.empty()) Ui().MessageBox({input_.error, "Error", BoxButtons::Ok, BoxIcon::Error});
}

void CDemuxDlg::AddMessage(const std::string& line) {
    if (View().ItemCount(kMessages) > kMessageListLimit) View().RemoveItem(kMessages, 0);
    View().AddItem(kMessages, line);
    View().SetSelection(kMessages, -1);
    View().ShowItem(kMessages, View().ItemCount(kMessages) - 1);
}

void CDemuxDlg::OnStart() {
    UpdateData(true);
    DemuxJob job;
    job.inputPath = inputPath_;
    job.outputBase = outputBase_;
    job.decode = decode_;
    job.input = input_;
    StartRun([&engine = engine_, job](platform::RunReport& report) { return engine.Run(job, report); });
}

}  // namespace stream_shell
