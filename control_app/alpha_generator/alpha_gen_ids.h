// Control ids of the Alpha File Generator (dialog 135).
#pragma once

#include "velmar_ui/form_view.h"

namespace velmar::alpha_gen_ids {

using velmar_ui::ControlId;

inline constexpr ControlId kCancel = 2;
inline constexpr ControlId kCountEdit = 1002;
inline constexpr ControlId kFileName = 1005;
inline constexpr ControlId kHorizontal = 1013;
inline constexpr ControlId kVertical = 1025;
inline constexpr ControlId kStartEdit = 1028;
inline constexpr ControlId kBlockEdit = 1029;
inline constexpr ControlId kBrowse = 1031;
inline constexpr ControlId kType = 1139;
inline constexpr ControlId kStart = 1142;
inline constexpr ControlId kProgress = 1145;
inline constexpr ControlId kCountSpin = 1146;
inline constexpr ControlId kEndEdit = 1147;
inline constexpr ControlId kStartSpin = 1148;
inline constexpr ControlId kEndSpin = 1149;
inline constexpr ControlId kParameterCaption = 1150;
inline constexpr ControlId kStartLabel = 1151;
inline constexpr ControlId kBlockSpin = 1152;
inline constexpr ControlId kEndLabel = 1154;
inline constexpr ControlId kStatus = 1155;

}  // namespace velmar::alpha_gen_ids
