// Command ids of the main frame's menu (menu 128), routed to the panels. The framework's own
// commands (Exit, Cut, Copy, Paste, the bar switches, About) are handled by the frame itself.
#pragma once

namespace velmar::menu_ids {

inline constexpr int kEnter = 32772;  // the Enter accelerator
inline constexpr int kColorSetting = 32773;
inline constexpr int kVideoSettings = 32775;
inline constexpr int kAlphaGenerator = 32776;
inline constexpr int kByteSwap = 32777;
inline constexpr int kSetLogFile = 32778;
inline constexpr int kOpenPlayList = 32779;
inline constexpr int kDisableLogging = 32781;
inline constexpr int kAudioSettings = 32782;
inline constexpr int kFileMerge = 32783;
inline constexpr int kFileSplit = 32784;
inline constexpr int kUpdateEeprom = 32785;

}  // namespace velmar::menu_ids
