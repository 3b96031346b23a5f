#include "record_form.h"

#include "board_panel/frame_file_group.h"
#include "record_ids.h"

namespace velmar {

using namespace record_ids;
using namespace velmar_ui;
using namespace velmar_ui::form_kinds;

velmar_ui::FormSpec RecordPanelForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar Recorder";
    form.compact = true;  // fits a 1280 x 1024 screen
    form.groups = {
        {"Video", 0, 0},           {"Audio", 0, 1},        {"Compress from File", 1, 0},
        {"Encoder Script", 1, 1},  {"Video Resolution", 2, 0}, {"GOP Structure", 2, 1},
        {"Bitstream", 3, 0},       {"Temporal Filter", 3, 1},
        // Kept for their settings keys, not offered.
        {"Video Offsets", 4, 0, 1, 1, true}, {"Aspect Ratio", 4, 1, 1, 1, true},
        {"Record Mode", 5, 0},     {"TV Standard", 5, 1},
        {"Video Input", 6, 0},     {"Audio Source", 6, 1}, {"Board", 7, 0},
    };
    auto& c = form.controls;

    const std::string v = "Video";
    AddFileRow(c, v, 0, kVideoFile, kVideoPath, 4);
    AddRow(c, kButton, v, 1, 0,
           {{kRecordVideo, "RECORD"}, {kPauseVideo, "PAUSE"}, {kFrameStep, "FR STEP"}, {kStopVideo, "STOP"}});
    c.push_back({kByteSwap, kCheck, "Byte Swap", v, 1, 4});
    c.push_back({kNoId, kLabel, "Fields:", v, 2, 0});
    c.push_back({kVideoCount, kLabel, "not recoding", v, 2, 1, 1, 2, kFixedFont});
    c.push_back({kNoId, kLabel, "VITC:", v, 2, 3});
    c.push_back({kVitcDisplay, kLabel, "", v, 2, 4, 1, 1, kFixedFont});

    const std::string a = "Audio";
    AddFileRow(c, a, 0, kAudioFile, kAudioPath, 3);
    AddRow(c, kButton, a, 1, 0, {{kRecordAudio, "RECORD"}, {kPauseAudio, "PAUSE"}, {kStopAudio, "STOP"}});
    c.push_back({kLinkAudio, kCheck, "Link to Video", a, 1, 3});
    AddRow(c, kRadio, a, 2, 0, {{kRate48, "48.0K"}, {kRate44, "44.1K"}, {kRate32, "32.0K"}});
    c.push_back({kAudioCount, kLabel, "not recoding", a, 3, 0, 1, 3, kFixedFont});

    const std::string f = "Compress from File";
    AddFrameFileGroup(c, f, "Flds:",
                      {kCompressFile, kCompressPath, kCompressFields, kCompressFieldsSpin, kFrameRadio, kFieldRadio});

    const std::string s = "Encoder Script";
    AddFileRow(c, s, 0, kScriptFile, kScriptPath, 3);

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
    AddRow(c, kRadio, ar, 0, 0, {{kAspectSquare, "Square"}, {kAspect4x3, "4x3"}, {kAspect16x9, "16x9"}}, kHidden);

    const std::string m = "Record Mode";
    AddRow(c, kButton, m, 0, 0, {{kMode422, "MPEG-2 (4:2:2)"}, {kMode420, "MPEG-2 (4:2:0)"}, {kModeMpeg1, "MPEG-1"}});
    AddRow(c, kButton, m, 1, 0, {{kDv25Mp, "DV25 <-> MP"}, {kDv50Mp, "DV50 <-> MP"}, {kSwitchPlayback, "PLAY"}});

    AddRow(c, kButton, "TV Standard", 0, 0, {{kNtsc, "NTSC"}, {kPal, "PAL"}});

    const std::string i = "Video Input";
    AddRow(c, kRadio, i, 0, 0,
           {{kInputCVideo, "C-Video"}, {kInputSvhs, "SVHS"}, {kInputSdi, "SDI"}, {kInputVp, "VP"},
            {kInputFree, "Free"}});
    AddRow(c, kCheck, i, 1, 0, {{kTbc, "TBC"}, {kRef, "Ref"}});

    AddRow(c, kRadio, "Audio Source", 0, 0, {{kAudioAnalog, "Analog"}, {kAudioDigital, "Digital"}, {kAudioSdi, "SDI"}});

    AddRow(c, kButton, "Board", 0, 0, {{kDspReset, "DRESET"}, {kDspSend, "DSEND"}});
    return form;
}

}  // namespace velmar
