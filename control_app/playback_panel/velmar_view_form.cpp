#include "velmar_view_form.h"

#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;
using velmar_ui::ControlKind;
using velmar_ui::ControlSpec;
using velmar_ui::kFixedFont;
using velmar_ui::kHidden;
using velmar_ui::kNoId;

namespace {

constexpr auto kButton = ControlKind::PushButton;
constexpr auto kEdit = ControlKind::Edit;
constexpr auto kLabel = ControlKind::Label;
constexpr auto kCheck = ControlKind::CheckBox;
constexpr auto kRadio = ControlKind::RadioButton;
constexpr auto kSlider = ControlKind::Slider;
constexpr auto kSpin = ControlKind::SpinBox;

// The transport row and the file row every video channel shares.
void AddVideoChannel(std::vector<ControlSpec>& c, const std::string& g, ControlId file, ControlId path,
                     ControlId play, ControlId pause, ControlId stop, ControlId varPlay, ControlId ipOnly,
                     ControlId iOnly, ControlId fieldStep, ControlId frameStep, ControlId start, ControlId speed,
                     ControlId timecode, ControlId length, ControlId slider, ControlId speedBar, ControlId loop) {
    c.push_back({file, kButton, "FILE...", g, 0, 0});
    c.push_back({path, kEdit, "", g, 0, 1, 1, 6});
    c.push_back({play, kButton, "PLAY", g, 1, 0});
    c.push_back({pause, kButton, "PAUSE", g, 1, 1});
    c.push_back({stop, kButton, "STOP", g, 1, 2});
    c.push_back({varPlay, kButton, "VAR PLY", g, 1, 3});
    c.push_back({ipOnly, kButton, "IP ONLY", g, 1, 4});
    c.push_back({iOnly, kButton, "I ONLY", g, 1, 5});
    c.push_back({fieldStep, kButton, "FL STEP", g, 1, 6});
    c.push_back({frameStep, kButton, "FR STEP", g, 2, 6});
    c.push_back({kNoId, kLabel, "TC", g, 2, 0});
    c.push_back({start, kEdit, "", g, 2, 1, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "%", g, 2, 3});
    c.push_back({speed, kEdit, "100", g, 2, 4});
    c.push_back({loop, kCheck, "Loop Forever", g, 2, 5});
    c.push_back({kNoId, kLabel, "Frame :", g, 3, 0});
    c.push_back({timecode, kLabel, "not loaded", g, 3, 1, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "Total  :", g, 3, 3});
    c.push_back({length, kLabel, "", g, 3, 4, 1, 2, kFixedFont});
    c.push_back({slider, kSlider, "", g, 4, 0, 1, 7});
    c.push_back({speedBar, kSlider, "", g, 5, 0, 1, 7});
}

}  // namespace

velmar_ui::FormSpec PlaybackForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar Player";
    form.groups = {
        {"Video A", 0, 0},        {"Video B", 0, 1},      {"Uncompress to File (Starts on Play A when Flds > 0)", 1, 0}, {"View", 1, 1},
        {"Audio", 2, 0},          {"Alpha Mix", 2, 1},    {"Play List", 3, 0},  {"PLAY ALL", 3, 1},
        {"DV Record", 4, 0},      {"Video Reference", 4, 1}, {"Audio Source", 5, 0}, {"Settings", 5, 1},
    };
    auto& c = form.controls;
    AddVideoChannel(c, "Video A", kFileA, kPathA, kPlayA, kPauseA, kStopA, kVarPlayA, kIpOnlyA, kIOnlyA,
                    kFieldStepA, kFrameStepA, kStartA, kSpeedA, kTimecodeA, kLengthA, kSliderA, kSpeedBarA, kLoopA);
    AddVideoChannel(c, "Video B", kFileB, kPathB, kPlayB, kPauseB, kStopB, kVarPlayB, kIpOnlyB, kIOnlyB,
                    kFieldStepB, kFrameStepB, kStartB, kSpeedB, kTimecodeB, kLengthB, kSliderB, kSpeedBarB, kLoopB);

    const std::string u = "Uncompress to File (Starts on Play A when Flds > 0)";
    c.push_back({kDecodeFile, kButton, "FILE...", u, 0, 0});
    c.push_back({kDecodePath, kEdit, "", u, 0, 1, 1, 3});
    c.push_back({kNoId, kLabel, "Flds", u, 1, 0});
    c.push_back({kDecodeFields, kEdit, "0", u, 1, 1});
    c.push_back({kDecodeFieldsSpin, kSpin, "", u, 1, 2});
    c.push_back({kDecodeFrame, kRadio, "Frame", u, 2, 0});
    c.push_back({kDecodeField, kRadio, "Field", u, 2, 1});

    c.push_back({kViewA, kRadio, "View Video A", "View", 0, 0});
    c.push_back({kViewB, kRadio, "View Video B", "View", 1, 0});

    const std::string a = "Audio";
    c.push_back({kFileAudio, kButton, "FILE...", a, 0, 0});
    c.push_back({kPathAudio, kEdit, "", a, 0, 1, 1, 6});
    c.push_back({kPlayAudio, kButton, "PLAY", a, 1, 0});
    c.push_back({kPauseAudio, kButton, "PAUSE", a, 1, 1});
    c.push_back({kStopAudio, kButton, "STOP", a, 1, 2});
    c.push_back({kVarPlayAudio, kButton, "VAR PLY", a, 1, 3});
    c.push_back({kFieldStepAudio, kButton, "FL STEP", a, 1, 4});
    c.push_back({kFrameStepAudio, kButton, "FR STEP", a, 1, 5});
    c.push_back({kNoId, kLabel, "Start:", a, 2, 0});
    c.push_back({kStartAudio, kEdit, "", a, 2, 1, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "Speed %:", a, 2, 3});
    c.push_back({kSpeedAudio, kEdit, "100", a, 2, 4});
    c.push_back({kLoopAudio, kCheck, "Loop Forever", a, 2, 5});
    c.push_back({kLinkAudio, kCheck, "Link to VA/PL", a, 2, 6});
    c.push_back({kTimecodeAudio, kLabel, "not loaded", a, 3, 0, 1, 3, kFixedFont});
    c.push_back({kNoId, kLabel, "Length:", a, 3, 3});
    c.push_back({kLengthAudio, kLabel, "", a, 3, 4, 1, 2, kFixedFont});
    c.push_back({kRate48, kRadio, "48 kHz", a, 4, 0});
    c.push_back({kRate44, kRadio, "44.1 kHz", a, 4, 1});
    c.push_back({kRate32, kRadio, "32 kHz", a, 4, 2});
    c.push_back({kSliderAudio, kSlider, "", a, 5, 0, 1, 7});
    c.push_back({kSpeedBarAudio, kSlider, "", a, 6, 0, 1, 7});

    const std::string m = "Alpha Mix";
    c.push_back({kFileAlpha, kButton, "FILE...", m, 0, 0});
    c.push_back({kPathAlpha, kEdit, "", m, 0, 1, 1, 3});
    c.push_back({kPlayAlpha, kButton, "PLAY", m, 1, 0});
    c.push_back({kPauseAlpha, kButton, "PAUSE", m, 1, 1});
    c.push_back({kStopAlpha, kButton, "STOP", m, 1, 2});
    c.push_back({kLoopAlpha, kCheck, "Loop Forever", m, 1, 3});
    c.push_back({kNoId, kLabel, "Start:", m, 2, 0});
    c.push_back({kStartAlpha, kEdit, "", m, 2, 1});
    c.push_back({kPositionAlpha, kLabel, "not loaded", m, 2, 2, 1, 1, kFixedFont});
    c.push_back({kCountAlpha, kLabel, "", m, 2, 3, 1, 1, kFixedFont});
    c.push_back({kSliderAlpha, kSlider, "", m, 3, 0, 1, 4});

    const std::string l = "Play List";
    c.push_back({kFileList, kButton, "FILE...", l, 0, 0});
    c.push_back({kPathList, kEdit, "", l, 0, 1, 1, 4});
    c.push_back({kPlayList, kButton, "PLAY", l, 1, 0});
    c.push_back({kPauseList, kButton, "PAUSE", l, 1, 1});
    c.push_back({kStopList, kButton, "STOP", l, 1, 2});
    c.push_back({kCheckList, kButton, "CHK FILE", l, 1, 3});
    c.push_back({kNoId, kLabel, "Start:", l, 2, 0});
    c.push_back({kStartList, kEdit, "", l, 2, 1, 1, 1, kFixedFont});
    c.push_back({kTimecodeList, kLabel, "not loaded", l, 2, 2, 1, 1, kFixedFont});
    c.push_back({kLengthList, kLabel, "", l, 2, 3, 1, 1, kFixedFont});
    c.push_back({kSliderList, kSlider, "", l, 3, 0, 1, 5});

    const std::string p = "PLAY ALL";
    c.push_back({kPlayAll, kButton, "PLAY ALL", p, 0, 0, 1, 3});
    const struct { const char* label; ControlId edit; ControlId spin; } delays[] = {
        {"Video A delay:", kDelayA, kDelaySpinA},
        {"Video B delay:", kDelayB, kDelaySpinB},
        {"Alpha delay:", kDelayAlpha, kDelaySpinAlpha},
        {"Audio delay:", kDelayAudio, kDelaySpinAudio},
    };
    for (int i = 0; i < 4; ++i) {
        c.push_back({kNoId, kLabel, delays[i].label, p, i + 1, 0});
        c.push_back({delays[i].edit, kEdit, "0", p, i + 1, 1});
        c.push_back({delays[i].spin, kSpin, "", p, i + 1, 2});
    }

    const std::string d = "DV Record";
    c.push_back({kFileDv, kButton, "FILE...", d, 0, 0});
    c.push_back({kPathDv, kEdit, "", d, 0, 1, 1, 4});
    c.push_back({kFileDvAudio, kButton, "FILE...", d, 1, 0});
    c.push_back({kPathDvAudio, kEdit, "", d, 1, 1, 1, 4});
    c.push_back({kRecordDv, kButton, "RECORD", d, 2, 0});
    c.push_back({kStopDv, kButton, "STOP", d, 2, 1});
    c.push_back({kPauseDv, kButton, "PAUSE", d, 2, 2});
    c.push_back({kFrameStepDv, kButton, "FR STEP", d, 2, 3});
    c.push_back({kFromPlayer, kButton, "From Player", d, 2, 4});
    c.push_back({kRecordAudioDv, kCheck, "Record Audio", d, 3, 0, 1, 2});
    c.push_back({kTimecodeDv, kLabel, "not record", d, 3, 2, 1, 3, kFixedFont});

    const std::string r = "Video Reference";
    c.push_back({kRefCVideo, kRadio, "C-Video", r, 0, 0});
    c.push_back({kRefSvhs, kRadio, "SVHS", r, 0, 1});
    c.push_back({kRefSdi, kRadio, "SDI", r, 0, 2});
    c.push_back({kRefVp, kRadio, "VP", r, 1, 0});
    c.push_back({kRefFree, kRadio, "Free", r, 1, 1});
    c.push_back({kTbc, kCheck, "TBC", r, 2, 0});
    c.push_back({kRef, kCheck, "Ref", r, 2, 1});

    const std::string s = "Audio Source";
    c.push_back({kAudioAnalog, kRadio, "Analog", s, 0, 0});
    c.push_back({kAudioDigital, kRadio, "Digital", s, 0, 1});
    c.push_back({kAudioSdi, kRadio, "SDI", s, 1, 0});
    c.push_back({kAudioNone, kRadio, "None", s, 1, 1});

    const std::string t = "Settings";
    c.push_back({kRecord420, kButton, "MPEG-2 (4:2:0)", t, 0, 0});
    c.push_back({kRecord422, kButton, "MPEG-2 (4:2:2)", t, 0, 1});
    c.push_back({kRecordMpeg1, kButton, "MPEG-1", t, 0, 2});
    c.push_back({kPal, kButton, "PAL", t, 1, 0});
    c.push_back({kNtsc, kButton, "NTSC", t, 1, 1});
    c.push_back({kDv50, kCheck, "DV50", t, 1, 2});
    c.push_back({kDv25Mp, kButton, "DV25 <-> MP", t, 2, 0});
    c.push_back({kDv50Mp, kButton, "DV50 <-> MP", t, 2, 1});
    c.push_back({kDspReset, kButton, "DRESETP", t, 3, 0, 1, 1, kHidden});
    c.push_back({kDspSend, kButton, "DSENDP", t, 3, 1, 1, 1, kHidden});
    return form;
}

}  // namespace velmar
