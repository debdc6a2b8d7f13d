// Where the program keeps its data. Every folder string ends with '/'.
#pragma once

#include <string>

namespace velor {

inline constexpr const char* kDataFolderName = "VELOR Gaming Driver";

// The per-user data folder ("VELOR Gaming Driver" under $XDG_CONFIG_HOME, else
// ~/.config; on Windows under the roaming application-data folder, ending
// with '\'), created when missing; when it cannot be made, the program folder
// followed by "Data/". Worked out afresh on every call. Paths are UTF-8.
std::string GetAppDataFolder();

// $XDG_CONFIG_HOME, else ~/.config, ending with '/'; empty when neither is set.
// On Windows the roaming application-data folder (%APPDATA%\).
std::string configHomeFolder();

// The folder GetAppDataFolder would give, found without creating anything
// (for tools that only read).
std::string existingAppDataFolder();

// The same rule with its inputs given: configHome and home may be empty
// (on Windows configHome is the application-data folder and home is unused).
std::string appDataFolderFor(const std::string& configHome, const std::string& home,
                             const std::string& programFolder);

}  // namespace velor
