// Control ids of the demultiplexer's dialog.
#pragma once

#include "velmar_ui/form_view.h"

namespace stream_shell::demux_ids {

using velmar_ui::ControlId;

inline constexpr ControlId kOk = 1;
inline constexpr ControlId kCancel = 2;
inline constexpr ControlId kProgress = 1000;
inline constexpr ControlId kOutputFile = 1001;
inline constexpr ControlId kStreamType = 1002;
inline constexpr ControlId kInputFile = 1003;
inline constexpr ControlId kBitrate = 1004;
inline constexpr ControlId kOutputBase = 1005;
inline constexpr ControlId kInputPath = 1006;
inline constexpr ControlId kDuration = 1007;
inline constexpr ControlId kMessages = 1017;
inline constexpr ControlId kMakeWavAndIndex = 1019;
inline constexpr ControlId kStart = 1021;
inline constexpr ControlId kStop = 1022;
inline constexpr ControlId kStatus = 1023;

}  // namespace stream_shell::demux_ids
