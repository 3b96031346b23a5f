// Control ids of the record panel's form (102). The menu commands are the frame's (menu_ids.h).
#pragma once

#include "shell/menu_ids.h"
#include "velmar_ui/form_view.h"

namespace velmar::record_ids {

using velmar_ui::ControlId;

// Panel, record mode and TV standard switches.
inline constexpr ControlId kSwitchPlayback = 1086;
inline constexpr ControlId kMode420 = 1087;
inline constexpr ControlId kMode422 = 1092;
inline constexpr ControlId kModeMpeg1 = 1191;
inline constexpr ControlId kDv25Mp = 1193;
inline constexpr ControlId kDv50Mp = 1192;
inline constexpr ControlId kNtsc = 1200;
inline constexpr ControlId kPal = 1201;

// Video input, reference, audio source, DSP.
inline constexpr ControlId kInputCVideo = 1083;
inline constexpr ControlId kInputSvhs = 1080;
inline constexpr ControlId kInputSdi = 1081;
inline constexpr ControlId kInputVp = 1198;
inline constexpr ControlId kInputFree = 1082;
inline constexpr ControlId kTbc = 1197;
inline constexpr ControlId kRef = 1088;
inline constexpr ControlId kAudioAnalog = 1202;
inline constexpr ControlId kAudioDigital = 1085;
inline constexpr ControlId kAudioSdi = 1089;
inline constexpr ControlId kDspReset = 1142;
inline constexpr ControlId kDspSend = 1205;

// Status displays.
inline constexpr ControlId kVitcDisplay = 1097;
inline constexpr ControlId kVideoCount = 1094;
inline constexpr ControlId kAudioCount = 1107;

// Video record group.
inline constexpr ControlId kRecordVideo = 1100;
inline constexpr ControlId kPauseVideo = 1102;
inline constexpr ControlId kStopVideo = 1103;
inline constexpr ControlId kFrameStep = 1164;
inline constexpr ControlId kVideoFile = 1090;
inline constexpr ControlId kVideoPath = 1091;
inline constexpr ControlId kByteSwap = 1115;

// Audio record group.
inline constexpr ControlId kRecordAudio = 1104;
inline constexpr ControlId kPauseAudio = 1105;
inline constexpr ControlId kStopAudio = 1106;
inline constexpr ControlId kAudioFile = 1019;
inline constexpr ControlId kAudioPath = 1098;
inline constexpr ControlId kLinkAudio = 1114;
inline constexpr ControlId kRate48 = 1156;
inline constexpr ControlId kRate44 = 1158;
inline constexpr ControlId kRate32 = 1157;

// Compress from file.
inline constexpr ControlId kCompressFile = 1032;
inline constexpr ControlId kCompressPath = 1007;
inline constexpr ControlId kCompressFields = 1096;
inline constexpr ControlId kCompressFieldsSpin = 1127;
inline constexpr ControlId kFrameRadio = 1169;
inline constexpr ControlId kFieldRadio = 1170;
inline constexpr ControlId kScriptFile = 1033;
inline constexpr ControlId kScriptPath = 1008;

// Encoder controls.
inline constexpr ControlId kHorizontal = 1013;
inline constexpr ControlId kVertical = 1025;
inline constexpr ControlId kRefDistance = 1021;
inline constexpr ControlId kIntraDistance = 1020;
inline constexpr ControlId kBitRate = 1003;
inline constexpr ControlId kBitRateSpin = 1012;
inline constexpr ControlId kBitRateLabel = 1131;
inline constexpr ControlId kCloseFreq = 1022;
inline constexpr ControlId kCloseFreqSpin = 1027;
inline constexpr ControlId kMinQLabel = 1132;
inline constexpr ControlId kMinQ = 1030;
inline constexpr ControlId kMinQSpin = 1031;
inline constexpr ControlId kHOffset = 1014;
inline constexpr ControlId kHOffsetSpin = 1015;
inline constexpr ControlId kVOffset = 1028;
inline constexpr ControlId kVOffsetSpin = 1029;
inline constexpr ControlId kSceneChange = 1011;
inline constexpr ControlId kVbr = 1026;
inline constexpr ControlId kLumaFilter = 1023;
inline constexpr ControlId kChromaFilter = 1024;
inline constexpr ControlId kAspectSquare = 1018;
inline constexpr ControlId kAspect4x3 = 1016;
inline constexpr ControlId kAspect16x9 = 1017;

}  // namespace velmar::record_ids
