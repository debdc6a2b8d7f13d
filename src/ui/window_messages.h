// The main window's message numbers (besides each slot's own range).
#pragma once

#include <cstdint>
#include <optional>

#include "protocol/status_report.h"

namespace velor {

inline constexpr std::uint32_t kTrayMessage = 1025;
inline constexpr std::uint32_t kMenuCommandMessage = 1027;
inline constexpr std::uint32_t kShowWindowMessage = 1281;
inline constexpr std::uint32_t kDpiLevelReportedMessage = 1291;
inline constexpr std::uint32_t kLanguageMessage = 1293;
inline constexpr std::uint32_t kAutostartMessage = 1294;
inline constexpr std::uint32_t kFeedbackMessage = 1295;
// The About window's "battery notices" box: wParam 1 on, 0 off.
inline constexpr std::uint32_t kBatteryNoticeMessage = 1296;
// A page's mouse reported its power: wParam the slot, lParam packPower's value.
inline constexpr std::uint32_t kPowerReportedMessage = 1297;

// The application in front is to be judged once it settles: it changed (the
// front watch's thread posts it), or a page's profiles came up (the page
// posts it), so that the one in front at start is judged as any later one.
inline constexpr std::uint32_t kFrontChangedMessage = 1298;

// A power report in one message parameter: the state, and the percent + 1 (0: none).
inline std::intptr_t packPower(PowerState state, std::optional<int> percent) {
    return static_cast<std::intptr_t>(state) | (percent ? (*percent + 1) << 8 : 0);
}
inline PowerState powerStateOf(std::intptr_t packed) {
    return static_cast<PowerState>(packed & 0xFF);
}
inline std::optional<int> powerPercentOf(std::intptr_t packed) {
    const auto p = static_cast<int>(packed >> 8);
    return p > 0 ? std::optional(p - 1) : std::nullopt;
}

}  // namespace velor
