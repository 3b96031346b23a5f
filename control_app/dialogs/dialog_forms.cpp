#include "dialog_ids.h"
#include "settings_dialogs.h"

namespace velmar {

using namespace dialog_ids;
using velmar_ui::ControlKind;
using velmar_ui::kNoId;

velmar_ui::FormSpec VideoSettingsForm() {
    velmar_ui::FormSpec form;
    form.title = "Video Settings";
    form.groups = {{"Property", 0, 0}};
    form.controls = {
        {kBrightness, ControlKind::RadioButton, "Brightness", "Property", 0, 0},
        {kContrast, ControlKind::RadioButton, "Contrast", "Property", 1, 0},
        {kHue, ControlKind::RadioButton, "Hue", "Property", 2, 0},
        {kSaturation, ControlKind::RadioButton, "Saturation", "Property", 3, 0},
        {kPropertyBar, ControlKind::Slider, "", "", 0, 1, 3, 1, velmar_ui::kVertical},
        {kNoId, ControlKind::Label, "Value = ", "", 3, 1},
        {kPropertyValue, ControlKind::Label, "", "", 3, 2},
        {kVideoDefault, ControlKind::PushButton, "Default", "", 0, 2},
        {kOk, ControlKind::PushButton, "OK", "", 1, 2, 1, 1, velmar_ui::kDefaultButton},
        {kCancel, ControlKind::PushButton, "Cancel", "", 2, 2},
    };
    return form;
}

velmar_ui::FormSpec AudioSettingsForm() {
    velmar_ui::FormSpec form;
    form.title = "Audio Settings";
    form.controls = {
        {kNoId, ControlKind::Label, "Audio Input Gain", "", 0, 0},
        {kGainBar, ControlKind::Slider, "", "", 0, 1},
        {kGainEdit, ControlKind::Edit, "", "", 0, 2},
        {kNoId, ControlKind::Label, "Audio Output Level", "", 1, 0},
        {kLevelBar, ControlKind::Slider, "", "", 1, 1},
        {kLevelEdit, ControlKind::Edit, "", "", 1, 2},
        {kCancel, ControlKind::PushButton, "Close", "", 2, 2},
    };
    return form;
}

velmar_ui::FormSpec ColorSettingForm() {
    velmar_ui::FormSpec form;
    form.title = "Background Color Setting";
    form.groups = {{"RGB", 0, 0}, {"YCbCr", 0, 1}};
    form.controls = {
        {kNoId, ControlKind::Label, "Red", "RGB", 0, 0},
        {kRed, ControlKind::Edit, "", "RGB", 0, 1},
        {kRedSpin, ControlKind::SpinBox, "", "RGB", 0, 2},
        {kNoId, ControlKind::Label, "Green", "RGB", 1, 0},
        {kGreen, ControlKind::Edit, "", "RGB", 1, 1},
        {kGreenSpin, ControlKind::SpinBox, "", "RGB", 1, 2},
        {kNoId, ControlKind::Label, "Blue", "RGB", 2, 0},
        {kBlue, ControlKind::Edit, "", "RGB", 2, 1},
        {kBlueSpin, ControlKind::SpinBox, "", "RGB", 2, 2},
        {kNoId, ControlKind::Label, "Y(luma)", "YCbCr", 0, 0},
        {kLuma, ControlKind::Edit, "", "YCbCr", 0, 1},
        {kLumaSpin, ControlKind::SpinBox, "", "YCbCr", 0, 2},
        {kNoId, ControlKind::Label, "Cb", "YCbCr", 1, 0},
        {kCb, ControlKind::Edit, "", "YCbCr", 1, 1},
        {kCbSpin, ControlKind::SpinBox, "", "YCbCr", 1, 2},
        {kNoId, ControlKind::Label, "Cr", "YCbCr", 2, 0},
        {kCr, ControlKind::Edit, "", "YCbCr", 2, 1},
        {kCrSpin, ControlKind::SpinBox, "", "YCbCr", 2, 2},
        {kSetToBlack, ControlKind::PushButton, "Set To Black", "", 1, 0},
        {kOk, ControlKind::PushButton, "OK", "", 1, 1, 1, 1, velmar_ui::kDefaultButton},
        {kCancel, ControlKind::PushButton, "Cancel", "", 2, 1},
    };
    return form;
}

velmar_ui::FormSpec LoadWaitForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar";
    form.controls = {
        {kLoadPicture, ControlKind::Picture, "", "", 0, 0},
        {kNoticeText, ControlKind::Label, "Velmar MPEG2 Loading Please Wait ...", "", 1, 0},
    };
    return form;
}

velmar_ui::FormSpec CloseWaitForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar";
    form.controls = {{kNoticeText, ControlKind::Label, "Closing Files Please Wait.", "", 0, 0}};
    return form;
}

}  // namespace velmar
