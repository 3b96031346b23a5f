#include "stream_shell/demux_dlg.h"
#include "stream_shell/demux_dlg_ids.h"

namespace stream_shell {

using namespace demux_ids;
using velmar_ui::ControlKind;
using velmar_ui::kNoId;

namespace {
constexpr const char* kInputGroup = "MPEG Program Stream Input File";
constexpr const char* kOutputGroup = "MPEG Base Filename (#.mpg will be appended)";
constexpr const char* kProgressGroup = "Percent Complete";
constexpr const char* kMessagesGroup = "Messages";
}  // namespace

velmar_ui::FormSpec DemuxDlgForm() {
    using velmar_ui::kHidden;
    velmar_ui::FormSpec form;
    form.title = "MPEG Program Demux";
    form.groups = {
        {kInputGroup, 0, 0, 1, 2},
        {kOutputGroup, 2, 0, 1, 2},
        {kProgressGroup, 3, 0, 1, 2},
        {kMessagesGroup, 4, 0, 1, 2},
    };
    form.controls = {
        {kInputFile, ControlKind::PushButton, "FILE...", kInputGroup, 0, 0},
        {kInputPath, ControlKind::Edit, "", kInputGroup, 0, 1, 1, 3},
        // One row each, so that long values ("MPEG-2 Program stream") never run into a label.
        {kNoId, ControlKind::Label, "Stream Type:", kInputGroup, 1, 0},
        {kStreamType, ControlKind::Label, "NA", kInputGroup, 1, 1, 1, 3},
        {kNoId, ControlKind::Label, "Bitrate:", kInputGroup, 2, 0},
        {kBitrate, ControlKind::Label, "NA", kInputGroup, 2, 1, 1, 3},
        {kNoId, ControlKind::Label, "Duration:", kInputGroup, 3, 0},
        {kDuration, ControlKind::Label, "NA", kInputGroup, 3, 1, 1, 3},

        {kMakeWavAndIndex, ControlKind::CheckBox, "Make .wav and .mdb while demuxing", "", 1, 0, 1, 2},

        {kOutputFile, ControlKind::PushButton, "FILE...", kOutputGroup, 0, 0},
        {kOutputBase, ControlKind::Edit, "", kOutputGroup, 0, 1},

        {kProgress, ControlKind::ProgressBar, "", kProgressGroup, 0, 0},
        {kStatus, ControlKind::Label, "", kProgressGroup, 1, 0},

        {kMessages, ControlKind::ListBox, "", kMessagesGroup, 0, 0},

        {kStart, ControlKind::PushButton, "Demultiplex", "", 5, 0},
        {kStop, ControlKind::PushButton, "Stop", "", 5, 1},
        {kOk, ControlKind::PushButton, "OK", "", 6, 0, 1, 1, kHidden},
        {kCancel, ControlKind::PushButton, "Cancel", "", 6, 1, 1, 1, kHidden},
    };
    form.systemMenu = {{kAboutCommandFirst, "&About Ostrand..."}};
    form.width = 560;  // room for a path and a message line
    form.height = 560;
    return form;
}

}  // namespace stream_shell
