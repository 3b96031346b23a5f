// Control ids of the settings dialogs and the notices.
#pragma once

#include "velmar_ui/form_view.h"

namespace velmar::dialog_ids {

using velmar_ui::ControlId;

inline constexpr ControlId kOk = 1;
inline constexpr ControlId kCancel = 2;

// Video Settings (dialog 132).
inline constexpr ControlId kBrightness = 1013;
inline constexpr ControlId kContrast = 1014;
inline constexpr ControlId kHue = 1015;
inline constexpr ControlId kSaturation = 1016;
inline constexpr ControlId kPropertyBar = 1017;
inline constexpr ControlId kPropertyValue = 1127;
inline constexpr ControlId kVideoDefault = 1117;

// Audio Settings (dialog 138).
inline constexpr ControlId kGainBar = 1161;
inline constexpr ControlId kGainEdit = 1003;
inline constexpr ControlId kLevelBar = 1162;
inline constexpr ControlId kLevelEdit = 1002;

// Background Color Setting (dialog 131).
inline constexpr ControlId kRed = 1005;
inline constexpr ControlId kGreen = 1007;
inline constexpr ControlId kBlue = 1006;
inline constexpr ControlId kLuma = 1011;
inline constexpr ControlId kCb = 1013;
inline constexpr ControlId kCr = 1015;
inline constexpr ControlId kRedSpin = 1008;
inline constexpr ControlId kGreenSpin = 1010;
inline constexpr ControlId kBlueSpin = 1009;
inline constexpr ControlId kLumaSpin = 1012;
inline constexpr ControlId kCbSpin = 1014;
inline constexpr ControlId kCrSpin = 1016;
inline constexpr ControlId kSetToBlack = 1117;

// Notices.
inline constexpr ControlId kLoadPicture = 1200;  // the loading notice's picture
inline constexpr ControlId kNoticeText = 1201;

// Index builder (dialog 136).
inline constexpr ControlId kIndexBuildProgress = 1140;
inline constexpr ControlId kIndexBuildWhat = 1141;
inline constexpr ControlId kIndexBuildBytes = 1168;

}  // namespace velmar::dialog_ids
