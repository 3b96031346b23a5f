// The encoder controls of the record panel: loading the current mode's stored settings, writing
// each key back the moment its control changes, and programming the encoder before a recording.

#include "board_link/format.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "record_ids.h"
#include "velmar_vrec.h"

namespace velmar {

using namespace record_ids;

std::string CVelmarVrec::ModeKey(const char* key) const {
    const auto mode = RecordModeOf(recordMode_);
    return mode ? std::string(key) + ModeSpec(*mode).suffix : std::string();
}

void CVelmarVrec::FillCombo(velmar_ui::ControlId combo, const std::vector<int>& values) {
    View().ClearItems(combo);
    for (int value : values) View().AddItem(combo, std::to_string(value));
}

void CVelmarVrec::SelectStored(velmar_ui::ControlId combo, const std::string& key, int fallback) {
    const std::string stored = profile_.GetString(section_, key, std::to_string(fallback));
    // A value that matches no item would leave the encoder a size code outside its table.
    if (View().SelectItemText(combo, stored) < 0) View().SelectItemText(combo, std::to_string(fallback));
}

void CVelmarVrec::FillIntraList(int refDistance, int intraValue) {
    FillCombo(kIntraDistance, IntraDistances(refDistance));
    View().SelectItemText(kIntraDistance, std::to_string(ChooseIntraDistance(intraValue, refDistance)));
}

void CVelmarVrec::SetSpin(velmar_ui::ControlId spin, velmar_ui::ControlId edit, int value) {
    View().SetPosition(spin, value);
    View().SetText(edit, std::to_string(View().Position(spin)));
}

int CVelmarVrec::SelectedValue(velmar_ui::ControlId combo) const {
    int value = 0;
    return velmar_ui::ParseInteger(View().SelectedText(combo), value) ? value : 0;
}

void CVelmarVrec::ShowVbr(bool vbr) {
    View().SetText(kBitRateLabel, vbr ? "Max BitRate" : "BitRate");
    for (velmar_ui::ControlId id : {kMinQ, kMinQSpin, kMinQLabel}) View().SetShown(id, vbr);
}

void CVelmarVrec::LoadEncoderSettings() {
    filling_ = true;
    View().SetRange(kCloseFreqSpin, {0, kSpinMax});
    View().SetRange(kMinQSpin, {1, kMinQMax});
    View().SetRange(kHOffsetSpin, {0, kSpinMax});
    View().SetRange(kVOffsetSpin, {0, kSpinMax});
    const auto mode = RecordModeOf(recordMode_);
    if (!mode) {
        filling_ = false;
        return;
    }
    const EncoderModeSpec& spec = ModeSpec(*mode);
    const auto key = [this](const char* name) { return ModeKey(name); };
    const auto stored = [&](const char* name, int fallback) { return profile_.GetInt(section_, key(name), fallback); };

    FillCombo(kHorizontal, spec.horizontal);
    std::vector<int> refs;
    for (int i = 1; i <= spec.refDistances; ++i) refs.push_back(i);
    FillCombo(kRefDistance, refs);
    SelectStored(kHorizontal, key("HRES"), spec.horizontalDefault);
    FillCombo(kVertical, palMode_ ? spec.verticalPal : spec.verticalNtsc);
    SelectStored(kVertical, key(palMode_ ? "PVRES" : "VRES"),
                 palMode_ ? spec.verticalPalDefault : spec.verticalNtscDefault);
    View().SetRange(kBitRateSpin, {1, spec.bitRateMax});

    SelectStored(kRefDistance, key("REFDIST"), spec.refDefault);
    FillIntraList(SelectedValue(kRefDistance), stored("INTRADIST", kIntraDefault));

    SetSpin(kBitRateSpin, kBitRate, stored("BITRATE", spec.bitRateDefault));
    bitRate = View().Position(kBitRateSpin);
    SetSpin(kCloseFreqSpin, kCloseFreq, stored("CLOSEFREQ", 1));
    SetSpin(kMinQSpin, kMinQ, stored("MINQ", 1));
    SetSpin(kHOffsetSpin, kHOffset, stored("HOFFSET", 0));
    SetSpin(kVOffsetSpin, kVOffset, stored("VOFFSET", 0));
    View().SetChecked(kByteSwap, stored("BYTESW", 0) != 0);
    View().SetChecked(kLumaFilter, stored("LUMAEN", 0) != 0);
    View().SetChecked(kChromaFilter, stored("CHROMAEN", 0) != 0);
    View().SetChecked(kSceneChange, stored("SCENECHANGE", 1) != 0);
    const bool vbr = stored("VBR", 1) != 0;
    View().SetChecked(kVbr, vbr);
    if (vbr) ShowVbr(true);
    aspect_ = stored("ASPECTRATIO", 1);
    View().SetChecked(kAspectSquare, aspect_ == 0);
    View().SetChecked(kAspect4x3, aspect_ == 1);
    View().SetChecked(kAspect16x9, aspect_ == 2);
    filling_ = false;
}

// ------------------------------------------------------------------ change handlers

void CVelmarVrec::OnVScroll(const velmar_ui::Event& event) {
    if (filling_ || ModeKey("").empty()) return;
    const int position = View().Position(event.id);
    switch (event.id) {
    case kBitRateSpin:
        bitRate = position;
        UpdateData(false);
        WriteKey(ModeKey("BITRATE"), Format("%d", bitRate));
        return;
    case kHOffsetSpin: WriteKey(ModeKey("HOFFSET"), Format("%d", position)); break;
    case kCloseFreqSpin: WriteKey(ModeKey("CLOSEFREQ"), Format("%d", position)); break;
    case kVOffsetSpin: WriteKey(ModeKey("VOFFSET"), Format("%d", position)); break;
    case kMinQSpin: WriteKey(ModeKey("MINQ"), Format("%d", position)); break;
    default: return;
    }
    // The spin's buddy edit shows the position.
    const velmar_ui::ControlId edit = event.id == kHOffsetSpin    ? kHOffset
                                      : event.id == kCloseFreqSpin ? kCloseFreq
                                      : event.id == kVOffsetSpin   ? kVOffset
                                                                   : kMinQ;
    filling_ = true;
    View().SetText(edit, std::to_string(position));
    filling_ = false;
}

void CVelmarVrec::OnBitRateChanged() {
    if (filling_ || ModeKey("").empty()) return;
    UpdateData(true);
    filling_ = true;
    View().SetPosition(kBitRateSpin, bitRate);
    filling_ = false;
    WriteKey(ModeKey("BITRATE"), Format("%d", bitRate));
}

void CVelmarVrec::OnVbrBox() {
    if (ModeKey("").empty()) return;
    const bool vbr = View().Checked(kVbr);
    WriteKey(ModeKey("VBR"), vbr ? "1" : "0");
    ShowVbr(vbr);
}

void CVelmarVrec::OnSceneChangeBox() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("SCENECHANGE"), View().Checked(kSceneChange) ? "1" : "0");
}

void CVelmarVrec::OnLumaFilterBox() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("LUMAEN"), View().Checked(kLumaFilter) ? "1" : "0");
}

void CVelmarVrec::OnChromaFilterBox() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("CHROMAEN"), View().Checked(kChromaFilter) ? "1" : "0");
}

void CVelmarVrec::OnByteSwapBox() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("BYTESW"), View().Checked(kByteSwap) ? "1" : "0");
}

void CVelmarVrec::OnHorizontalResolution() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("HRES"), View().SelectedText(kHorizontal));
}

void CVelmarVrec::OnVerticalResolution() {
    if (!ModeKey("").empty()) WriteKey(ModeKey(palMode_ ? "PVRES" : "VRES"), View().SelectedText(kVertical));
}

void CVelmarVrec::OnRefDistance() {
    if (ModeKey("").empty()) return;
    const int intra = SelectedValue(kIntraDistance);
    const int ref = SelectedValue(kRefDistance);
    WriteKey(ModeKey("REFDIST"), View().SelectedText(kRefDistance));
    FillIntraList(ref, intra);
}

void CVelmarVrec::OnIntraDistance() {
    if (!ModeKey("").empty()) WriteKey(ModeKey("INTRADIST"), View().SelectedText(kIntraDistance));
}

void CVelmarVrec::OnAspectSquare() {
    aspect_ = 0;
    if (!ModeKey("").empty()) WriteKey(ModeKey("ASPECTRATIO"), "0");
}

void CVelmarVrec::OnAspect4x3() {
    aspect_ = 1;
    if (!ModeKey("").empty()) WriteKey(ModeKey("ASPECTRATIO"), "1");
}

void CVelmarVrec::OnAspect16x9() {
    aspect_ = 2;
    if (!ModeKey("").empty()) WriteKey(ModeKey("ASPECTRATIO"), "2");
}

// ------------------------------------------------------------------ programming

EncoderSettings CVelmarVrec::CurrentEncoderSettings() const {
    EncoderSettings s;
    s.mode = RecordModeOf(recordMode_).value_or(RecordMode::Mpeg2_420);
    s.pal = palMode_;
    s.horizontalIndex = View().Selection(kHorizontal);
    s.verticalIndex = View().Selection(kVertical);
    s.refIndex = View().Selection(kRefDistance);
    s.intraIndex = View().Selection(kIntraDistance);
    s.bitRate = bitRate;
    s.closeFreq = View().Position(kCloseFreqSpin);
    s.minQ = View().Position(kMinQSpin);
    s.luma = View().Checked(kLumaFilter);
    s.chroma = View().Checked(kChromaFilter);
    s.sceneChange = View().Checked(kSceneChange);
    s.vbr = View().Checked(kVbr);
    return s;
}

void CVelmarVrec::ProgramEncoder(std::function<void()> then, std::function<void()> abandon) {
    // A mode without encoder controls has no words to send; its script still runs.
    if (RecordModeOf(recordMode_))
        for (const std::string& line : EncoderCommandLines(CurrentEncoderSettings())) SendCommand(line);
    script_ = ScriptRun{ReadScript(), 0, std::move(then), std::move(abandon)};
    SendScriptSlice();
}

std::vector<std::string> CVelmarVrec::ReadScript() {
    if (scriptPath.empty()) return {};
    const std::string path = platform::NormalizePath(scriptPath);
    if (RefuseNonRegularFile(path)) return {};
    std::string text;
    switch (platform::ReadRegularFile(path, kScriptFileMaxBytes, text)) {
    case platform::WholeFileRead::CannotOpen:
        Ui().MessageBox({Format("Can't find file %s", scriptPath.c_str()), "File Error"});
        return {};
    case platform::WholeFileRead::TooLarge:
        Ui().MessageBox({Format("The script file %s is larger than %zu bytes and is not sent", scriptPath.c_str(),
                                kScriptFileMaxBytes),
                         "File Error"});
        return {};
    case platform::WholeFileRead::Read: break;
    }
    return ScriptCommandLines(text);
}

}  // namespace velmar
