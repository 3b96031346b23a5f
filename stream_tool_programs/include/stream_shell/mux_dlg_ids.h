// Control ids of the multiplexer's dialog.
#pragma once

#include "velmar_ui/form_view.h"

namespace stream_shell::mux_ids {

using velmar_ui::ControlId;

inline constexpr ControlId kOk = 1;
inline constexpr ControlId kCancel = 2;
inline constexpr ControlId kProgress = 1000;
inline constexpr ControlId kAudioFile = 1001;
inline constexpr ControlId kVideoFile = 1002;
inline constexpr ControlId kOutputFile = 1003;
inline constexpr ControlId kVideoPath = 1004;
inline constexpr ControlId kAudioPath = 1005;
inline constexpr ControlId kOutputPath = 1006;
inline constexpr ControlId kAspect = 1007;
inline constexpr ControlId kProfile = 1008;
inline constexpr ControlId kLevel = 1009;
inline constexpr ControlId kChroma = 1010;
inline constexpr ControlId kFrameSize = 1011;
inline constexpr ControlId kVideoBitrate = 1012;
inline constexpr ControlId kVbv = 1013;
inline constexpr ControlId kFrameRate = 1014;
inline constexpr ControlId kVideoDuration = 1015;
inline constexpr ControlId kFrequency = 1018;
inline constexpr ControlId kMode = 1019;
inline constexpr ControlId kAudioDuration = 1020;
inline constexpr ControlId kStart = 1021;
inline constexpr ControlId kStop = 1022;
inline constexpr ControlId kStatus = 1023;
inline constexpr ControlId kTypeMpeg1 = 1024;
inline constexpr ControlId kTypeMpeg2 = 1025;
inline constexpr ControlId kStreamType = 1026;
inline constexpr ControlId kTypeDv = 1027;
inline constexpr ControlId kLayer = 1028;
inline constexpr ControlId kBitrate = 1029;
inline constexpr ControlId kLayerShown = 1030;    // placeholder for 1028
inline constexpr ControlId kBitrateShown = 1031;  // placeholder for 1029
inline constexpr ControlId kTypeAudio = 1032;
inline constexpr ControlId kBytesDone = 1033;
inline constexpr ControlId kBytesTotal = 1034;

}  // namespace stream_shell::mux_ids
