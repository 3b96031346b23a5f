#include "velmar_view_form.h"

#include "board_panel/frame_file_group.h"
#include "velmar_view_ids.h"

namespace velmar {

using namespace panel_ids;
using namespace velmar_ui;
using namespace velmar_ui::form_kinds;

namespace {

// A video channel in six rows of six columns (narrow enough for two channels side by side on a
// 1280-pixel screen): its file, the modes, start, speed and the steps, the displays, and the
// position and speed sliders.
void AddVideoChannel(std::vector<ControlSpec>& c, const std::string& g, ControlId file, ControlId path,
                     ControlId play, ControlId pause, ControlId stop, ControlId varPlay, ControlId ipOnly,
                     ControlId iOnly, ControlId fieldStep, ControlId frameStep, ControlId start, ControlId speed,
                     ControlId timecode, ControlId length, ControlId slider, ControlId speedBar, ControlId loop) {
    AddFileRow(c, g, 0, file, path, 5);
    AddRow(c, kButton, g, 1, 0,
           {{play, "PLAY"}, {pause, "PAUSE"}, {stop, "STOP"}, {varPlay, "VAR PLY"}, {ipOnly, "IP ONLY"},
            {iOnly, "I ONLY"}});
    c.push_back({kNoId, kLabel, "TC", g, 2, 0});
    c.push_back({start, kEdit, "", g, 2, 1, 1, 1, kFixedFont});
    c.push_back({kNoId, kLabel, "%", g, 2, 2});
    c.push_back({speed, kEdit, "100", g, 2, 3});
    AddRow(c, kButton, g, 2, 4, {{fieldStep, "FL STEP"}, {frameStep, "FR STEP"}});
    c.push_back({kNoId, kLabel, "Frame :", g, 3, 0});
    c.push_back({timecode, kLabel, "not loaded", g, 3, 1, 1, 1, kFixedFont});
    c.push_back({kNoId, kLabel, "Total  :", g, 3, 2});
    c.push_back({length, kLabel, "", g, 3, 3, 1, 1, kFixedFont});
    c.push_back({loop, kCheck, "Loop Forever", g, 3, 4, 1, 2});
    c.push_back({slider, kSlider, "", g, 4, 0, 1, 6});
    c.push_back({speedBar, kSlider, "", g, 5, 0, 1, 6});
}

}  // namespace

velmar_ui::FormSpec PlaybackForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar Player";
    // Two columns that fit a 1280 x 1024 screen: the channels side by side, the taller groups of
    // the left column beside two shorter ones of the right.
    const std::string u = "Uncompress to File (Starts on Play A when Flds > 0)";
    form.groups = {
        {"Video A", 0, 0},         {"Video B", 0, 1},
        {"Audio", 1, 0, 2},        {"Alpha Mix", 1, 1},       {"View", 2, 1},
        {"Play List", 3, 0, 2},    {"PLAY ALL", 3, 1},        {"Video Reference", 4, 1},
        {"DV Record", 5, 0, 2},    {"Audio Source", 5, 1},    {"Settings", 6, 1, 2},
        {u, 7, 0},
    };
    form.compact = true;
    auto& c = form.controls;
    AddVideoChannel(c, "Video A", kFileA, kPathA, kPlayA, kPauseA, kStopA, kVarPlayA, kIpOnlyA, kIOnlyA,
                    kFieldStepA, kFrameStepA, kStartA, kSpeedA, kTimecodeA, kLengthA, kSliderA, kSpeedBarA, kLoopA);
    AddVideoChannel(c, "Video B", kFileB, kPathB, kPlayB, kPauseB, kStopB, kVarPlayB, kIpOnlyB, kIOnlyB,
                    kFieldStepB, kFrameStepB, kStartB, kSpeedB, kTimecodeB, kLengthB, kSliderB, kSpeedBarB, kLoopB);

    AddFrameFileGroup(c, u, "Flds",
                      {kDecodeFile, kDecodePath, kDecodeFields, kDecodeFieldsSpin, kDecodeFrame, kDecodeField});

    AddRow(c, kRadio, "View", 0, 0, {{kViewA, "View Video A"}, {kViewB, "View Video B"}});

    const std::string a = "Audio";
    AddFileRow(c, a, 0, kFileAudio, kPathAudio, 5);
    AddRow(c, kButton, a, 1, 0,
           {{kPlayAudio, "PLAY"}, {kPauseAudio, "PAUSE"}, {kStopAudio, "STOP"}, {kVarPlayAudio, "VAR PLY"},
            {kFieldStepAudio, "FL STEP"}, {kFrameStepAudio, "FR STEP"}});
    c.push_back({kNoId, kLabel, "Start:", a, 2, 0});
    c.push_back({kStartAudio, kEdit, "", a, 2, 1, 1, 1, kFixedFont});
    c.push_back({kNoId, kLabel, "Speed %:", a, 2, 2});
    c.push_back({kSpeedAudio, kEdit, "100", a, 2, 3});
    c.push_back({kSpeedBarAudio, kSlider, "", a, 2, 4, 1, 2});
    c.push_back({kTimecodeAudio, kLabel, "not loaded", a, 3, 0, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "Length:", a, 3, 2});
    c.push_back({kLengthAudio, kLabel, "", a, 3, 3, 1, 2, kFixedFont});
    AddRow(c, kRadio, a, 4, 0, {{kRate48, "48 kHz"}, {kRate44, "44.1 kHz"}, {kRate32, "32 kHz"}});
    c.push_back({kLoopAudio, kCheck, "Loop Forever", a, 4, 3});
    c.push_back({kLinkAudio, kCheck, "Link to VA/PL", a, 4, 4, 1, 2});
    c.push_back({kSliderAudio, kSlider, "", a, 5, 0, 1, 6});

    const std::string m = "Alpha Mix";
    AddFileRow(c, m, 0, kFileAlpha, kPathAlpha, 3);
    AddRow(c, kButton, m, 1, 0, {{kPlayAlpha, "PLAY"}, {kPauseAlpha, "PAUSE"}, {kStopAlpha, "STOP"}});
    c.push_back({kLoopAlpha, kCheck, "Loop Forever", m, 1, 3});
    c.push_back({kNoId, kLabel, "Start:", m, 2, 0});
    c.push_back({kStartAlpha, kEdit, "", m, 2, 1});
    AddRow(c, kLabel, m, 2, 2, {{kPositionAlpha, "not loaded"}, {kCountAlpha, ""}}, kFixedFont);
    c.push_back({kSliderAlpha, kSlider, "", m, 3, 0, 1, 4});

    const std::string l = "Play List";
    AddFileRow(c, l, 0, kFileList, kPathList, 4);
    AddRow(c, kButton, l, 1, 0,
           {{kPlayList, "PLAY"}, {kPauseList, "PAUSE"}, {kStopList, "STOP"}, {kCheckList, "CHK FILE"}});
    c.push_back({kNoId, kLabel, "Start:", l, 2, 0});
    c.push_back({kStartList, kEdit, "", l, 2, 1, 1, 1, kFixedFont});
    AddRow(c, kLabel, l, 2, 2, {{kTimecodeList, "not loaded"}, {kLengthList, ""}}, kFixedFont);
    c.push_back({kSliderList, kSlider, "", l, 3, 0, 1, 5});

    // PLAY ALL beside its four delays, two to a row, each spin right beside its edit.
    const std::string p = "PLAY ALL";
    c.push_back({kPlayAll, kButton, "PLAY ALL", p, 0, 0, 2, 1});
    const struct { const char* label; ControlId edit; ControlId spin; } delays[] = {
        {"Video A delay:", kDelayA, kDelaySpinA},
        {"Video B delay:", kDelayB, kDelaySpinB},
        {"Alpha delay:", kDelayAlpha, kDelaySpinAlpha},
        {"Audio delay:", kDelayAudio, kDelaySpinAudio},
    };
    for (int i = 0; i < 4; ++i) {
        const int row = i / 2, column = 1 + 3 * (i % 2);
        c.push_back({kNoId, kLabel, delays[i].label, p, row, column});
        c.push_back({delays[i].edit, kEdit, "0", p, row, column + 1});
        c.push_back({delays[i].spin, kSpin, "", p, row, column + 2});
    }

    const std::string d = "DV Record";
    AddFileRow(c, d, 0, kFileDv, kPathDv, 4);
    AddFileRow(c, d, 1, kFileDvAudio, kPathDvAudio, 4);
    AddRow(c, kButton, d, 2, 0,
           {{kRecordDv, "RECORD"}, {kStopDv, "STOP"}, {kPauseDv, "PAUSE"}, {kFrameStepDv, "FR STEP"},
            {kFromPlayer, "From Player"}});
    c.push_back({kRecordAudioDv, kCheck, "Record Audio", d, 3, 0, 1, 2});
    c.push_back({kTimecodeDv, kLabel, "not record", d, 3, 2, 1, 3, kFixedFont});

    const std::string r = "Video Reference";
    AddRow(c, kRadio, r, 0, 0,
           {{kRefCVideo, "C-Video"}, {kRefSvhs, "SVHS"}, {kRefSdi, "SDI"}, {kRefVp, "VP"}, {kRefFree, "Free"}});
    AddRow(c, kCheck, r, 1, 0, {{kTbc, "TBC"}, {kRef, "Ref"}});

    AddRow(c, kRadio, "Audio Source", 0, 0,
           {{kAudioAnalog, "Analog"}, {kAudioDigital, "Digital"}, {kAudioSdi, "SDI"}, {kAudioNone, "None"}});

    const std::string t = "Settings";
    AddRow(c, kButton, t, 0, 0,
           {{kRecord420, "MPEG-2 (4:2:0)"}, {kRecord422, "MPEG-2 (4:2:2)"}, {kRecordMpeg1, "MPEG-1"}});
    AddRow(c, kButton, t, 1, 0, {{kPal, "PAL"}, {kNtsc, "NTSC"}});
    c.push_back({kDv50, kCheck, "DV50", t, 1, 2});
    AddRow(c, kButton, t, 2, 0, {{kDv25Mp, "DV25 <-> MP"}, {kDv50Mp, "DV50 <-> MP"}});
    AddRow(c, kButton, t, 3, 0, {{kDspReset, "DRESETP"}, {kDspSend, "DSENDP"}}, kHidden);
    return form;
}

}  // namespace velmar
