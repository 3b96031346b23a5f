#include "record_form.h"

#include "record_ids.h"

namespace velmar {

using namespace record_ids;
using velmar_ui::ControlKind;
using velmar_ui::kFixedFont;
using velmar_ui::kHidden;
using velmar_ui::kNoId;

namespace {
constexpr auto kButton = ControlKind::PushButton;
constexpr auto kEdit = ControlKind::Edit;
constexpr auto kLabel = ControlKind::Label;
constexpr auto kCheck = ControlKind::CheckBox;
constexpr auto kRadio = ControlKind::RadioButton;
constexpr auto kSpin = ControlKind::SpinBox;
constexpr auto kCombo = ControlKind::ComboBox;
}  // namespace

velmar_ui::FormSpec RecordPanelForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar Recorder";
    form.groups = {
        {"Video", 0, 0},           {"Audio", 0, 1},        {"Compress from File", 1, 0},
        {"Encoder Script", 1, 1},  {"Video Resolution", 2, 0}, {"GOP Structure", 2, 1},
        {"Bitstream", 3, 0},       {"Temporal Filter", 3, 1},  {"Video Offsets", 4, 0},
        {"Aspect Ratio", 4, 1},    {"Record Mode", 5, 0},  {"TV Standard", 5, 1},
        {"Video Input", 6, 0},     {"Audio Source", 6, 1}, {"Board", 7, 0},
    };
    auto& c = form.controls;

    const std::string v = "Video";
    c.push_back({kVideoFile, kButton, "FILE...", v, 0, 0});
    c.push_back({kVideoPath, kEdit, "", v, 0, 1, 1, 4});
    c.push_back({kRecordVideo, kButton, "RECORD", v, 1, 0});
    c.push_back({kPauseVideo, kButton, "PAUSE", v, 1, 1});
    c.push_back({kFrameStep, kButton, "FR STEP", v, 1, 2});
    c.push_back({kStopVideo, kButton, "STOP", v, 1, 3});
    c.push_back({kByteSwap, kCheck, "Byte Swap", v, 1, 4});
    c.push_back({kNoId, kLabel, "Fields:", v, 2, 0});
    c.push_back({kVideoCount, kLabel, "not recoding", v, 2, 1, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "VITC:", v, 2, 3});
    c.push_back({kVitcDisplay, kLabel, "", v, 2, 4, 1, 1, kFixedFont});

    const std::string a = "Audio";
    c.push_back({kAudioFile, kButton, "FILE...", a, 0, 0});
    c.push_back({kAudioPath, kEdit, "", a, 0, 1, 1, 3});
    c.push_back({kRecordAudio, kButton, "RECORD", a, 1, 0});
    c.push_back({kPauseAudio, kButton, "PAUSE", a, 1, 1});
    c.push_back({kStopAudio, kButton, "STOP", a, 1, 2});
    c.push_back({kLinkAudio, kCheck, "Link to Video", a, 1, 3});
    c.push_back({kRate48, kRadio, "48.0K", a, 2, 0});
    c.push_back({kRate44, kRadio, "44.1K", a, 2, 1});
    c.push_back({kRate32, kRadio, "32.0K", a, 2, 2});
    c.push_back({kAudioCount, kLabel, "not recoding", a, 3, 0, 1, 3, kFixedFont});

    const std::string f = "Compress from File";
    c.push_back({kCompressFile, kButton, "FILE...", f, 0, 0});
    c.push_back({kCompressPath, kEdit, "", f, 0, 1, 1, 3});
    c.push_back({kNoId, kLabel, "Flds:", f, 1, 0});
    c.push_back({kCompressFields, kEdit, "0", f, 1, 1});
    c.push_back({kCompressFieldsSpin, kSpin, "", f, 1, 2});
    c.push_back({kFrameRadio, kRadio, "Frame", f, 2, 0});
    c.push_back({kFieldRadio, kRadio, "Field", f, 2, 1});

    const std::string s = "Encoder Script";
    c.push_back({kScriptFile, kButton, "FILE...", s, 0, 0});
    c.push_back({kScriptPath, kEdit, "", s, 0, 1, 1, 3});

    const std::string r = "Video Resolution";
    c.push_back({kNoId, kLabel, "Horizontal", r, 0, 0});
    c.push_back({kHorizontal, kCombo, "", r, 0, 1});
    c.push_back({kNoId, kLabel, "Vertical", r, 1, 0});
    c.push_back({kVertical, kCombo, "", r, 1, 1});

    const std::string g = "GOP Structure";
    c.push_back({kNoId, kLabel, "Ref Pict Dist.", g, 0, 0});
    c.push_back({kRefDistance, kCombo, "", g, 0, 1});
    c.push_back({kNoId, kLabel, "Intra Pict Dist.", g, 1, 0});
    c.push_back({kIntraDistance, kCombo, "", g, 1, 1});
    c.push_back({kNoId, kLabel, "Closed GOP freq.", g, 2, 0});
    c.push_back({kCloseFreq, kEdit, "", g, 2, 1});
    c.push_back({kCloseFreqSpin, kSpin, "", g, 2, 2});
    c.push_back({kNoId, kLabel, "0 = No GOPs Closed", g, 3, 0, 1, 3});
    c.push_back({kSceneChange, kCheck, "New GOP on Scene Change", g, 4, 0, 1, 3});

    const std::string b = "Bitstream";
    c.push_back({kBitRateLabel, kLabel, "BitRate", b, 0, 0});
    c.push_back({kBitRate, kEdit, "", b, 0, 1});
    c.push_back({kBitRateSpin, kSpin, "", b, 0, 2});
    c.push_back({kNoId, kLabel, "X 1,000", b, 0, 3});
    c.push_back({kVbr, kCheck, "Variable Bit Rate Mode", b, 1, 0, 1, 2});
    c.push_back({kMinQLabel, kLabel, "Min Q", b, 2, 0, 1, 1, kHidden});
    c.push_back({kMinQ, kEdit, "", b, 2, 1, 1, 1, kHidden});
    c.push_back({kMinQSpin, kSpin, "", b, 2, 2, 1, 1, kHidden});

    const std::string t = "Temporal Filter";
    c.push_back({kLumaFilter, kCheck, "Enable Luma Filter", t, 0, 0});
    c.push_back({kChromaFilter, kCheck, "Enable Chroma Filter", t, 1, 0});

    const std::string o = "Video Offsets";
    c.push_back({kHOffset, kEdit, "", o, 0, 0, 1, 1, kHidden});
    c.push_back({kHOffsetSpin, kSpin, "", o, 0, 1, 1, 1, kHidden});
    c.push_back({kVOffset, kEdit, "", o, 1, 0, 1, 1, kHidden});
    c.push_back({kVOffsetSpin, kSpin, "", o, 1, 1, 1, 1, kHidden});

    const std::string ar = "Aspect Ratio";
    c.push_back({kAspectSquare, kRadio, "Square", ar, 0, 0, 1, 1, kHidden});
    c.push_back({kAspect4x3, kRadio, "4x3", ar, 0, 1, 1, 1, kHidden});
    c.push_back({kAspect16x9, kRadio, "16x9", ar, 0, 2, 1, 1, kHidden});

    const std::string m = "Record Mode";
    c.push_back({kMode422, kButton, "MPEG-2 (4:2:2)", m, 0, 0});
    c.push_back({kMode420, kButton, "MPEG-2 (4:2:0)", m, 0, 1});
    c.push_back({kModeMpeg1, kButton, "MPEG-1", m, 0, 2});
    c.push_back({kDv25Mp, kButton, "DV25 <-> MP", m, 1, 0});
    c.push_back({kDv50Mp, kButton, "DV50 <-> MP", m, 1, 1});
    c.push_back({kSwitchPlayback, kButton, "PLAY", m, 1, 2});

    c.push_back({kNtsc, kButton, "NTSC", "TV Standard", 0, 0});
    c.push_back({kPal, kButton, "PAL", "TV Standard", 0, 1});

    const std::string i = "Video Input";
    c.push_back({kInputCVideo, kRadio, "C-Video", i, 0, 0});
    c.push_back({kInputSvhs, kRadio, "SVHS", i, 0, 1});
    c.push_back({kInputSdi, kRadio, "SDI", i, 0, 2});
    c.push_back({kInputVp, kRadio, "VP", i, 0, 3});
    c.push_back({kInputFree, kRadio, "Free", i, 0, 4});
    c.push_back({kTbc, kCheck, "TBC", i, 1, 0});
    c.push_back({kRef, kCheck, "Ref", i, 1, 1});

    c.push_back({kAudioAnalog, kRadio, "Analog", "Audio Source", 0, 0});
    c.push_back({kAudioDigital, kRadio, "Digital", "Audio Source", 0, 1});
    c.push_back({kAudioSdi, kRadio, "SDI", "Audio Source", 0, 2});

    c.push_back({kDspReset, kButton, "DRESET", "Board", 0, 0});
    c.push_back({kDspSend, kButton, "DSEND", "Board", 0, 1});
    return form;
}

}  // namespace velmar
