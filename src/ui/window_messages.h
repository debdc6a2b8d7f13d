// The main window's message numbers (besides each slot's own range).
#pragma once

#include <cstdint>

namespace velor {

inline constexpr std::uint32_t kTrayMessage = 1025;
inline constexpr std::uint32_t kMenuCommandMessage = 1027;
inline constexpr std::uint32_t kShowWindowMessage = 1281;
inline constexpr std::uint32_t kDpiLevelReportedMessage = 1291;
inline constexpr std::uint32_t kLanguageMessage = 1293;
inline constexpr std::uint32_t kAutostartMessage = 1294;
inline constexpr std::uint32_t kFeedbackMessage = 1295;

}  // namespace velor
