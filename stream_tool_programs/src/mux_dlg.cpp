#include "stream_shell/mux_dlg.h"

#include "stream_shell/mux_dlg_ids.h"

namespace stream_shell {

using namespace mux_ids;
using namespace velmar_ui;

namespace {
constexpr const char* kSection = "BRAXEL";
constexpr const char* kVideoFilter = "MPEG Files (*.m*)|*.m*|DV Files (*.d*)|*.d*|All Files (*.*)|*.*||";
constexpr const char* kAudioFilter =
    "WAVE and MPEG Files (*.wav;*.m*)|*.wav;*.m*|WAVE Files (*.wav)|*.wav|MPEG Files (*.m*)|*.m*|All Files "
    "(*.*)|*.*||";
constexpr const char* kOutputFilter = "MPEG Files (*.m*)|*.m*|All Files (*.*)|*.*||";
constexpr const char* kDefaultBitrate = "128000";

// The probe's frame size, bit rate and VBV texts end in a line break; on one line beside its label
// a value shows without it.
std::string OneLine(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}
}  // namespace

const std::vector<std::string>& BitrateList(int layer) {
    static const std::vector<std::string> layer1{"032000", "064000", "096000", "128000", "160000",
                                                 "192000", "224000", "256000", "288000", "320000",
                                                 "352000", "384000", "416000", "448000"};
    static const std::vector<std::string> layer2{"032000", "048000", "056000", "064000", "080000",
                                                 "096000", "112000", "128000", "160000", "192000",
                                                 "224000", "256000", "320000", "384000"};
    static const std::vector<std::string> layer3{"032000", "040000", "048000", "056000", "064000",
                                                 "080000", "096000", "112000", "128000", "160000",
                                                 "192000", "224000", "256000", "320000"};
    return layer == 1 ? layer1 : layer == 2 ? layer2 : layer3;
}

CMuxDlg::CMuxDlg(FormView& view, UiServices& ui, MuxEngine& engine)
    : ToolDialog(view, ui, kSection, {"About Braxel", "MPEG Program Mux Version 1.02"}), engine_(engine) {}

CMuxDlg::~CMuxDlg() { JoinWorker(); }

bool CMuxDlg::Dispatch(const Event& event) {
    static const MessageMap<CMuxDlg> map{
        OnAnySystemCommand(&CMuxDlg::OnSysCommand),
        OnCommand(kVideoFile, &CMuxDlg::OnVideoFile),
        OnCommand(kAudioFile, &CMuxDlg::OnAudioFile),
        OnCommand(kOutputFile, &CMuxDlg::OnOutputFile),
        OnEditChange(kVideoPath, &CMuxDlg::OnChangeVideoPath),
        OnEditLostFocus(kVideoPath, &CMuxDlg::OnKillFocusVideoPath),
        OnEditChange(kAudioPath, &CMuxDlg::OnChangeAudioPath),
        OnEditLostFocus(kAudioPath, &CMuxDlg::OnKillFocusAudioPath),
        OnEditChange(kOutputPath, &CMuxDlg::OnChangeOutputPath),
        OnEditLostFocus(kOutputPath, &CMuxDlg::OnKillFocusOutputPath),
        OnCommand(kTypeDv, &CMuxDlg::OnTypeDv),
        OnCommand(kTypeMpeg1, &CMuxDlg::OnTypeMpeg1),
        OnCommand(kTypeMpeg2, &CMuxDlg::OnTypeMpeg2),
        OnCommand(kTypeAudio, &CMuxDlg::OnTypeAudio),
        OnSelectionChange(kLayer, &CMuxDlg::OnSelChangeLayer),
        OnSelectionChange(kBitrate, &CMuxDlg::OnSelChangeBitrate),
        OnCommand(kStart, &CMuxDlg::OnStart),
        OnCommand(kStop, &CMuxDlg::OnStop),
    };
    return map.Dispatch(*this, event);
}

bool CMuxDlg::UpdateData(bool save) {
    static const DataExchange<CMuxDlg> table{
        DdxText(kAudioPath, &CMuxDlg::audioPath_),
        DdxText(kOutputPath, &CMuxDlg::outputPath_),
        DdxText(kVideoPath, &CMuxDlg::videoPath_),
    };
    return table.UpdateData(*this, View(), Ui(), save);
}

void CMuxDlg::OnInitDialog() {
    videoPath_ = Settings().GetString(kSection, "PATHMV");
    audioPath_ = Settings().GetString(kSection, "PATHMA");
    outputPath_ = Settings().GetString(kSection, "PATHMP");
    outputType_ = Settings().GetInt(kSection, "MPSTYPE", kOutputMpeg2);
    if (outputType_ < kOutputDv || outputType_ > kOutputMpeg2) outputType_ = kOutputAudio;
    CheckOutputRadio();

    for (const char* layer : {"1", "2", "3"}) View().AddItem(kLayer, layer);
    for (const char* layer : {"NA", "1", "2", "3"}) View().AddItem(kLayerShown, layer);
    View().AddItem(kBitrate, kDefaultBitrate);
    View().SelectItemText(kLayer, Settings().GetString(kSection, "LAYER", "2"));
    View().SelectItemText(kLayerShown, "NA");
    View().SelectItemText(kBitrate, Settings().GetString(kSection, "BITRATE2", kDefaultBitrate));
    ShowPlaceholder(kBitrateShown, "NA");
    View().SetShown(kLayer, false);
    View().SetShown(kBitrate, false);
    View().SetRange(kProgress, {0, platform::kProgressSteps});

    UpdateData(false);
    AnalyzeVideoFile();
    AnalyzeAudioFile();
}

bool CMuxDlg::OnOK() {
    // Enter probes what was typed; it never closes the dialog.
    if (audioEdited_) AnalyzeAudioFile();
    if (videoEdited_) AnalyzeVideoFile();
    return false;
}

void CMuxDlg::CheckOutputRadio() {
    View().SetChecked(kTypeDv, outputType_ == kOutputDv);
    View().SetChecked(kTypeMpeg1, outputType_ == kOutputMpeg1);
    View().SetChecked(kTypeMpeg2, outputType_ == kOutputMpeg2);
    View().SetChecked(kTypeAudio, outputType_ == kOutputAudio);
}

void CMuxDlg::SetOutputType(int type) {
    outputType_ = type;
    WriteKey("MPSTYPE", std::to_string(type));
}

void CMuxDlg::ShowPlaceholder(ControlId id, const std::string& text) {
    View().ClearItems(id);
    View().AddItem(id, text);
    View().SetSelection(id, 0);
}

void CMuxDlg::OnVideoFile() {
    ChooseRemembered("PATHMV", "*.m*", kVideoFilter, videoPath_);
    AnalyzeVideoFile();  // also after a cancel: the old path is probed again
}

void CMuxDlg::OnAudioFile() {
    ChooseRemembered("PATHMA", "*.m*;*.wav", kAudioFilter, audioPath_);
    AnalyzeAudioFile();
}

void CMuxDlg::OnOutputFile() { ChooseRemembered("PATHMP", "*.m*", kOutputFilter, outputPath_, Chosen::Output); }

void CMuxDlg::OnChangeVideoPath() {
    videoEdited_ = true;
    UpdateData(true);
}

void CMuxDlg::OnKillFocusVideoPath() {
    WriteKey("PATHMV", videoPath_);
    if (videoEdited_) AnalyzeVideoFile();
    View().SelectAllText(kVideoPath);
}

void CMuxDlg::OnChangeAudioPath() {
    audioEdited_ = true;
    UpdateData(true);
}

void CMuxDlg::OnKillFocusAudioPath() {
    WriteKey("PATHMA", audioPath_);
    if (audioEdited_) AnalyzeAudioFile();
    View().SelectAllText(kAudioPath);
}

void CMuxDlg::OnChangeOutputPath() { UpdateData(true); }

void CMuxDlg::OnKillFocusOutputPath() {
    WriteKey("PATHMP", outputPath_);
    View().SelectAllText(kOutputPath);
}

void CMuxDlg::OnSelChangeLayer() {
    const std::string text = View().SelectedText(kLayer);
    View().ClearItems(kBitrate);
    const char* key;
    if (!text.empty() && text[0] == '1') {
        layer_ = 1;
        key = "BITRATE1";
    } else if (!text.empty() && text[0] == '2') {
        layer_ = 2;
        key = "BITRATE2";
    } else {
        layer_ = 3;
        key = "BITRATE3";
    }
    WriteKey("LAYER", std::to_string(layer_));
    for (const auto& bitrate : BitrateList(layer_)) View().AddItem(kBitrate, bitrate);
    const std::string bitrate = Settings().GetString(kSection, key, kDefaultBitrate);
    // A stored value outside the list selects nothing but is still the bitrate used.
    View().SelectItemText(kBitrate, bitrate);
    audioBitrate_ = LeadingNumber(bitrate);
}

void CMuxDlg::OnSelChangeBitrate() {
    const std::string text = View().SelectedText(kBitrate);
    audioBitrate_ = LeadingNumber(text);
    WriteKey(layer_ == 1 ? "BITRATE1" : layer_ == 2 ? "BITRATE2" : "BITRATE3", text);
}

void CMuxDlg::AnalyzeVideoFile() {
    videoEdited_ = false;
    video_ = engine_.AnalyzeVideo(videoPath_);
    View().SetText(kStreamType, video_.type);
    View().SetText(kAspect, video_.aspect);
    View().SetText(kProfile, video_.profile);
    View().SetText(kLevel, video_.level);
    View().SetText(kChroma, video_.chroma);
    View().SetText(kFrameSize, OneLine(video_.frameSize));
    View().SetText(kVideoBitrate, OneLine(video_.bitrateText));
    View().SetText(kVbv, OneLine(video_.vbv));
    View().SetText(kFrameRate, video_.frameRate);
    View().SetText(kVideoDuration, video_.durationText);
    // An MPEG video input decides between the two program stream types.
    if (video_.outputType == kOutputMpeg1 || video_.outputType == kOutputMpeg2) {
        SetOutputType(video_.outputType);
        CheckOutputRadio();
    }
    if (!video_.error.empty()) Ui().MessageBox({video_.error, "Error", BoxButtons::Ok, BoxIcon::Error});
}

void CMuxDlg::AnalyzeAudioFile() {
    audioEdited_ = false;
    audio_ = engine_.AnalyzeAudio(audioPath_);
    View().SetText(kFrequency, audio_.frequency);
    View().SetText(kMode, audio_.mode);
    View().SetText(kAudioDuration, audio_.durationText);
    View().SetShown(kLayer, audio_.showLayerCombos);
    View().SetShown(kBitrate, audio_.showLayerCombos);
    View().SetShown(kLayerShown, !audio_.showLayerCombos);
    View().SetShown(kBitrateShown, !audio_.showLayerCombos);
    if (audio_.showLayerCombos) {
        View().SelectItemText(kLayer, Settings().GetString(kSection, "LAYER", "2"));
        OnSelChangeLayer();
    } else {
        View().SelectItemText(kLayerShown, audio_.layerText);
        ShowPlaceholder(kBitrateShown, audio_.bitrateText);
    }
    if (!audio_.error.empty()) Ui().MessageBox({audio_.error, "Error", BoxButtons::Ok, BoxIcon::Error});
}

void CMuxDlg::OnStart() {
    UpdateData(true);
    MuxJob job;
    job.outputType = outputType_;
    job.layer = layer_;
    job.audioBitrate = audioBitrate_;
    job.videoPath = videoPath_;
    job.audioPath = audioPath_;
    job.outputPath = outputPath_;
    job.video = video_;
    job.audio = audio_;
    StartRun([&engine = engine_, job](platform::RunReport& report) { return engine.Run(job, report); });
}

void CMuxDlg::OnRunCounts(std::int64_t done, std::int64_t total) {
    View().SetText(kBytesDone, std::to_string(done));
    View().SetText(kBytesTotal, std::to_string(total));
}

void CMuxDlg::OnRunFinished(const RunResult&) {
    View().SetText(kBytesDone, "");
    View().SetText(kBytesTotal, "");
}

}  // namespace stream_shell
