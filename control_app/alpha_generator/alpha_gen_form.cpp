#include "alpha_gen_dlg.h"
#include "alpha_gen_ids.h"

namespace velmar {

using namespace alpha_gen_ids;
using velmar_ui::ControlKind;
using velmar_ui::kAlternate;
using velmar_ui::kHidden;
using velmar_ui::kNoId;

velmar_ui::FormSpec AlphaGenForm() {
    velmar_ui::FormSpec form;
    form.title = "Alpha File Generator";
    form.groups = {{"Stream", 0, 0}, {"Parameters", 1, 0}, {"Output", 2, 0}};
    form.controls = {
        {kNoId, ControlKind::Label, "Type", "Stream", 0, 0},
        {kType, ControlKind::ComboBox, "", "Stream", 0, 1, 1, 2},
        {kNoId, ControlKind::Label, "Horizontal", "Stream", 1, 0},
        {kHorizontal, ControlKind::ComboBox, "", "Stream", 1, 1, 1, 2},
        {kNoId, ControlKind::Label, "Vertical", "Stream", 2, 0},
        {kVertical, ControlKind::ComboBox, "", "Stream", 2, 1, 1, 2},
        {kNoId, ControlKind::Label, "Fields", "Stream", 3, 0},
        {kCountEdit, ControlKind::Edit, "", "Stream", 3, 1},
        {kCountSpin, ControlKind::SpinBox, "", "Stream", 3, 2},

        {kParameterCaption, ControlKind::Label, "Mix Level (0 - 255)", "Parameters", 0, 0, 1, 6},
        {kStartLabel, ControlKind::Label, "Start", "Parameters", 1, 0},
        {kStartEdit, ControlKind::Edit, "", "Parameters", 1, 1, 1, 1, kAlternate},
        {kBlockEdit, ControlKind::Edit, "", "Parameters", 1, 1, 1, 1, kAlternate | kHidden},
        {kStartSpin, ControlKind::SpinBox, "", "Parameters", 1, 2, 1, 1, kAlternate},
        {kBlockSpin, ControlKind::SpinBox, "", "Parameters", 1, 2, 1, 1, kAlternate | kHidden},
        {kEndLabel, ControlKind::Label, "End", "Parameters", 1, 3},
        {kEndEdit, ControlKind::Edit, "", "Parameters", 1, 4},
        {kEndSpin, ControlKind::SpinBox, "", "Parameters", 1, 5},

        {kFileName, ControlKind::Edit, "", "Output", 0, 0, 1, 3},
        {kBrowse, ControlKind::PushButton, "FILE...", "Output", 0, 3},
        {kProgress, ControlKind::ProgressBar, "", "Output", 1, 0, 1, 4},
        {kStatus, ControlKind::Label, "", "Output", 2, 0, 1, 2},
        {kStart, ControlKind::PushButton, "Start", "Output", 2, 2},
        {kCancel, ControlKind::PushButton, "Cancel", "Output", 2, 3},
    };
    return form;
}

}  // namespace velmar
