// The identifiers the dual-slider control and its hosts share: class, ProgIDs, type library and
// the members of its dispatch and event interfaces.
#pragma once

#include <cstdint>

namespace twinrail {

inline constexpr const char* kControlClsid = "{6F2B1C0A-5D3E-4A71-9C44-2E8B7A1D0F31}";
inline constexpr const char* kPropPageClsid = "{6F2B1C0B-5D3E-4A71-9C44-2E8B7A1D0F31}";
inline constexpr const char* kTypeLibId = "{6F2B1C09-5D3E-4A71-9C44-2E8B7A1D0F31}";
inline constexpr const char* kTypeLibVersion = "1.0";
inline constexpr const char* kControlProgId = "TARNWICKTWINRAIL.TarnwicktwinrailCtrl.1";
inline constexpr const char* kPropPageProgId = "TARNWICKTWINRAIL.TarnwicktwinrailPropPage.1";

// _DTarnwicktwinrail
inline constexpr std::int32_t kDispidSetPos = 1;
inline constexpr std::int32_t kDispidSetRange = 2;
inline constexpr std::int32_t kDispidSetColor = 3;
inline constexpr std::int32_t kDispidAboutBox = -552;
// _DTarnwicktwinrailEvents
inline constexpr std::int32_t kDispidChange = 1;

// The persistent state: the control's version, 1.0.
inline constexpr std::uint32_t kControlVersion = 0x10000;

}  // namespace twinrail
