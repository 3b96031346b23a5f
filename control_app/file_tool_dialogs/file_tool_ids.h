// Control ids of the Byte Swap, File Merge and File Split dialogs.
#pragma once

#include "velmar_ui/form_view.h"

namespace velmar::file_tool_ids {

using velmar_ui::ControlId;

inline constexpr ControlId kExit = 2;
inline constexpr ControlId kProgress = 1145;
inline constexpr ControlId kFirstPath = 1160;   // swap: source; merge: File A; split: source
inline constexpr ControlId kSecondPath = 1006;  // swap: destination; merge: File B; split: destination
inline constexpr ControlId kBrowseFirst = 1159;
inline constexpr ControlId kBrowseSecond = 1032;
inline constexpr ControlId kStart = 1142;
inline constexpr ControlId kCancelRun = 1171;
inline constexpr ControlId kStatus = 1155;

// File Split.
inline constexpr ControlId kAudio = 1176;
inline constexpr ControlId kVideo = 1175;
inline constexpr ControlId kRate48 = 1161;
inline constexpr ControlId kRate44 = 1164;
inline constexpr ControlId kRate32 = 1163;
inline constexpr ControlId kEndEdit = 1035;
inline constexpr ControlId kStartEdit = 1173;
inline constexpr ControlId kSlider = 1183;
inline constexpr ControlId kTakeStart = 1187;
inline constexpr ControlId kTakeEnd = 1186;
inline constexpr ControlId kFirstWritten = 1153;
inline constexpr ControlId kLastWritten = 1156;
inline constexpr ControlId kSourceLength = 1157;
inline constexpr ControlId kLengthWritten = 1162;
inline constexpr ControlId kCadence = 1165;

}  // namespace velmar::file_tool_ids
