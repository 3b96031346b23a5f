// Control ids of form 101 (the playback panel) and the menu commands routed to it.
#pragma once

#include "shell/menu_ids.h"

#include "velmar_ui/form_view.h"

namespace velmar::panel_ids {

using velmar_ui::ControlId;

// The largest value the form's number edits take.
inline constexpr int kNumberFieldLimit = 4'000'000;

// Video A.
inline constexpr ControlId kFileA = 1026;
inline constexpr ControlId kPlayA = 1037;
inline constexpr ControlId kPauseA = 1038;
inline constexpr ControlId kStopA = 1039;
inline constexpr ControlId kVarPlayA = 1040;
inline constexpr ControlId kIpOnlyA = 1042;
inline constexpr ControlId kIOnlyA = 1043;
inline constexpr ControlId kFieldStepA = 1009;
inline constexpr ControlId kFrameStepA = 1010;
inline constexpr ControlId kPathA = 1002;
inline constexpr ControlId kStartA = 1034;
inline constexpr ControlId kSpeedA = 1036;
inline constexpr ControlId kTimecodeA = 1044;
inline constexpr ControlId kLengthA = 1057;
inline constexpr ControlId kSliderA = 1033;
inline constexpr ControlId kSpeedBarA = 1035;
inline constexpr ControlId kLoopA = 1133;
inline constexpr ControlId kViewA = 1065;

// Video B.
inline constexpr ControlId kFileB = 1029;
inline constexpr ControlId kPlayB = 1047;
inline constexpr ControlId kPauseB = 1049;
inline constexpr ControlId kStopB = 1054;
inline constexpr ControlId kVarPlayB = 1048;
inline constexpr ControlId kIpOnlyB = 1058;
inline constexpr ControlId kIOnlyB = 1059;
inline constexpr ControlId kFieldStepB = 1011;
inline constexpr ControlId kFrameStepB = 1012;
inline constexpr ControlId kPathB = 1003;
inline constexpr ControlId kStartB = 1046;
inline constexpr ControlId kSpeedB = 1061;
inline constexpr ControlId kTimecodeB = 1062;
inline constexpr ControlId kLengthB = 1064;
inline constexpr ControlId kSliderB = 1041;
inline constexpr ControlId kSpeedBarB = 1060;
inline constexpr ControlId kLoopB = 1134;
inline constexpr ControlId kViewB = 1066;

// Decode to file (Video A).
inline constexpr ControlId kDecodePath = 1165;
inline constexpr ControlId kDecodeFields = 1166;
inline constexpr ControlId kDecodeFieldsSpin = 1167;
inline constexpr ControlId kDecodeFile = 1027;
inline constexpr ControlId kDecodeFrame = 1169;
inline constexpr ControlId kDecodeField = 1170;

// Audio.
inline constexpr ControlId kFileAudio = 1030;
inline constexpr ControlId kPlayAudio = 1069;
inline constexpr ControlId kPauseAudio = 1071;
inline constexpr ControlId kVarPlayAudio = 1070;
inline constexpr ControlId kStopAudio = 1072;
inline constexpr ControlId kFieldStepAudio = 1013;
inline constexpr ControlId kFrameStepAudio = 1014;
inline constexpr ControlId kPathAudio = 1004;
inline constexpr ControlId kStartAudio = 1068;
inline constexpr ControlId kSpeedAudio = 1078;
inline constexpr ControlId kTimecodeAudio = 1079;
inline constexpr ControlId kLengthAudio = 1081;
inline constexpr ControlId kSliderAudio = 1067;
inline constexpr ControlId kSpeedBarAudio = 1077;
inline constexpr ControlId kLoopAudio = 1135;
inline constexpr ControlId kLinkAudio = 1114;
inline constexpr ControlId kRate48 = 1156;
inline constexpr ControlId kRate44 = 1158;
inline constexpr ControlId kRate32 = 1157;

// Alpha Mix.
inline constexpr ControlId kFileAlpha = 1031;
inline constexpr ControlId kPlayAlpha = 1082;
inline constexpr ControlId kPauseAlpha = 1084;
inline constexpr ControlId kStopAlpha = 1085;
inline constexpr ControlId kPathAlpha = 1005;
inline constexpr ControlId kStartAlpha = 1076;
inline constexpr ControlId kPositionAlpha = 1096;
inline constexpr ControlId kCountAlpha = 1090;
inline constexpr ControlId kSliderAlpha = 1075;
inline constexpr ControlId kLoopAlpha = 1137;

// Play List.
inline constexpr ControlId kFileList = 1032;
inline constexpr ControlId kPlayList = 1088;
inline constexpr ControlId kPauseList = 1091;
inline constexpr ControlId kStopList = 1092;
inline constexpr ControlId kCheckList = 1089;
inline constexpr ControlId kPathList = 1006;
inline constexpr ControlId kStartList = 1087;
inline constexpr ControlId kTimecodeList = 1093;
inline constexpr ControlId kLengthList = 1095;
inline constexpr ControlId kSliderList = 1086;

// PLAY ALL.
inline constexpr ControlId kPlayAll = 1083;
inline constexpr ControlId kDelayA = 1028;
inline constexpr ControlId kDelayB = 1123;
inline constexpr ControlId kDelayAlpha = 1124;
inline constexpr ControlId kDelayAudio = 1120;
inline constexpr ControlId kDelaySpinA = 1121;
inline constexpr ControlId kDelaySpinB = 1122;
inline constexpr ControlId kDelaySpinAlpha = 1125;
inline constexpr ControlId kDelaySpinAudio = 1126;

// DV record.
inline constexpr ControlId kFileDv = 1055;
inline constexpr ControlId kFileDvAudio = 1220;
inline constexpr ControlId kRecordDv = 1214;
inline constexpr ControlId kStopDv = 1217;
inline constexpr ControlId kPauseDv = 1215;
inline constexpr ControlId kFrameStepDv = 1216;
inline constexpr ControlId kFromPlayer = 1213;
inline constexpr ControlId kPathDv = 1007;
inline constexpr ControlId kPathDvAudio = 1219;
inline constexpr ControlId kTimecodeDv = 1097;
inline constexpr ControlId kRecordAudioDv = 1209;

// Settings.
inline constexpr ControlId kRecord420 = 1074;
inline constexpr ControlId kRecord422 = 1190;
inline constexpr ControlId kRecordMpeg1 = 1191;
inline constexpr ControlId kPal = 1199;
inline constexpr ControlId kNtsc = 1142;
inline constexpr ControlId kDv25Mp = 1193;
inline constexpr ControlId kDv50Mp = 1192;
inline constexpr ControlId kDspReset = 1203;
inline constexpr ControlId kDspSend = 1204;
inline constexpr ControlId kRefCVideo = 1050;
inline constexpr ControlId kRefSvhs = 1051;
inline constexpr ControlId kRefSdi = 1052;
inline constexpr ControlId kRefVp = 1194;
inline constexpr ControlId kRefFree = 1053;
inline constexpr ControlId kTbc = 1195;
inline constexpr ControlId kRef = 1196;
inline constexpr ControlId kAudioAnalog = 1206;
inline constexpr ControlId kAudioDigital = 1207;
inline constexpr ControlId kAudioSdi = 1210;
inline constexpr ControlId kAudioNone = 1208;
inline constexpr ControlId kDv50 = 1212;

}  // namespace velmar::panel_ids

// The menu commands (namespace velmar::menu_ids) are the frame's: menu_ids.h.
