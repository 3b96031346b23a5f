#include "stream_shell/mux_dlg.h"
#include "stream_shell/mux_dlg_ids.h"

namespace stream_shell {

using namespace mux_ids;
using velmar_ui::ControlKind;
using velmar_ui::kNoId;

namespace {
constexpr const char* kAudioGroup = "WAVE or MPEG Audio Stream";
constexpr const char* kVideoGroup = "MPEG or DV Video Stream";
constexpr const char* kTypeGroup = "Output Format";
constexpr const char* kOutputGroup = "MPEG Program or Audio Stream Output File";
constexpr const char* kProgressGroup = "Percent Complete";
}  // namespace

velmar_ui::FormSpec MuxDlgForm() {
    using velmar_ui::kAlternate;
    using velmar_ui::kDisabled;
    using velmar_ui::kFixedFont;
    using velmar_ui::kHidden;
    velmar_ui::FormSpec form;
    form.title = "MPEG Program Mux";
    form.groups = {
        {kAudioGroup, 0, 0},
        {kTypeGroup, 0, 1},
        {kVideoGroup, 1, 0, 1, 2},
        {kOutputGroup, 2, 0, 1, 2},
        {kProgressGroup, 3, 0, 1, 2},
    };
    form.controls = {
        {kAudioFile, ControlKind::PushButton, "FILE...", kAudioGroup, 0, 0},
        {kAudioPath, ControlKind::Edit, "", kAudioGroup, 0, 1, 1, 3},
        {kNoId, ControlKind::Label, "Layer:", kAudioGroup, 1, 0},
        {kLayer, ControlKind::ComboBox, "", kAudioGroup, 1, 1, 1, 1, kHidden | kAlternate},
        {kLayerShown, ControlKind::ComboBox, "", kAudioGroup, 1, 1, 1, 1, kDisabled | kAlternate},
        {kNoId, ControlKind::Label, "Bitrate:", kAudioGroup, 1, 2},
        {kBitrate, ControlKind::ComboBox, "", kAudioGroup, 1, 3, 1, 1, kHidden | kAlternate},
        {kBitrateShown, ControlKind::ComboBox, "", kAudioGroup, 1, 3, 1, 1, kDisabled | kAlternate},
        {kNoId, ControlKind::Label, "Frequency:", kAudioGroup, 2, 0},
        {kFrequency, ControlKind::Label, "NA", kAudioGroup, 2, 1},
        {kNoId, ControlKind::Label, "Mode:", kAudioGroup, 2, 2},
        {kMode, ControlKind::Label, "NA", kAudioGroup, 2, 3},
        {kNoId, ControlKind::Label, "Duration:", kAudioGroup, 3, 0},
        {kAudioDuration, ControlKind::Label, "NA", kAudioGroup, 3, 1},

        {kTypeDv, ControlKind::RadioButton, "DV Audio/Video Stream", kTypeGroup, 0, 0},
        {kTypeMpeg1, ControlKind::RadioButton, "MPEG-1 Program Stream", kTypeGroup, 1, 0},
        {kTypeMpeg2, ControlKind::RadioButton, "MPEG-2 Program Stream", kTypeGroup, 2, 0},
        {kTypeAudio, ControlKind::RadioButton, "MPEG Audio from WAVE Audio", kTypeGroup, 3, 0},

        {kVideoFile, ControlKind::PushButton, "FILE...", kVideoGroup, 0, 0},
        {kVideoPath, ControlKind::Edit, "", kVideoGroup, 0, 1, 1, 5},
        {kNoId, ControlKind::Label, "Stream Type:", kVideoGroup, 1, 0},
        {kStreamType, ControlKind::Label, "NA", kVideoGroup, 1, 1},
        {kNoId, ControlKind::Label, "Aspect Ratio:", kVideoGroup, 2, 0},
        {kAspect, ControlKind::Label, "NA", kVideoGroup, 2, 1},
        {kNoId, ControlKind::Label, "Profile:", kVideoGroup, 2, 2},
        {kProfile, ControlKind::Label, "NA", kVideoGroup, 2, 3},
        {kNoId, ControlKind::Label, "Level:", kVideoGroup, 2, 4},
        {kLevel, ControlKind::Label, "NA", kVideoGroup, 2, 5},
        {kNoId, ControlKind::Label, "Chroma:", kVideoGroup, 3, 0},
        {kChroma, ControlKind::Label, "NA", kVideoGroup, 3, 1},
        {kNoId, ControlKind::Label, "Frame Size:", kVideoGroup, 3, 2},
        {kFrameSize, ControlKind::Label, "NA", kVideoGroup, 3, 3},
        {kNoId, ControlKind::Label, "Bitrate:", kVideoGroup, 3, 4},
        {kVideoBitrate, ControlKind::Label, "NA", kVideoGroup, 3, 5},
        {kNoId, ControlKind::Label, "VBV buffer:", kVideoGroup, 4, 0},
        {kVbv, ControlKind::Label, "NA", kVideoGroup, 4, 1},
        {kNoId, ControlKind::Label, "Frame Rate:", kVideoGroup, 4, 2},
        {kFrameRate, ControlKind::Label, "NA", kVideoGroup, 4, 3},
        {kNoId, ControlKind::Label, "Duration:", kVideoGroup, 4, 4},
        {kVideoDuration, ControlKind::Label, "NA", kVideoGroup, 4, 5},

        {kOutputFile, ControlKind::PushButton, "FILE...", kOutputGroup, 0, 0},
        {kOutputPath, ControlKind::Edit, "", kOutputGroup, 0, 1},

        {kProgress, ControlKind::ProgressBar, "", kProgressGroup, 0, 0, 1, 3},
        {kStatus, ControlKind::Label, "", kProgressGroup, 1, 0},
        {kBytesDone, ControlKind::Label, "", kProgressGroup, 1, 1, 1, 1, kFixedFont},
        {kBytesTotal, ControlKind::Label, "", kProgressGroup, 1, 2, 1, 1, kFixedFont},

        {kStart, ControlKind::PushButton, "Mux/Convert", "", 4, 0},
        {kStop, ControlKind::PushButton, "Stop", "", 4, 1},
        {kOk, ControlKind::PushButton, "OK", "", 5, 0, 1, 1, kHidden},
        {kCancel, ControlKind::PushButton, "Cancel", "", 5, 1, 1, 1, kHidden},
    };
    form.systemMenu = {{kAboutCommandFirst, "&About Braxel..."}};
    form.width = 640;
    return form;
}

}  // namespace stream_shell
