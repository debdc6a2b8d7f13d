// Where the program keeps its data. Every folder string ends with '/'.
#pragma once

#include <string>

namespace velor {

inline constexpr const char* kDataFolderName = "VELOR Gaming Driver";

// The per-user data folder ("VELOR Gaming Driver" under $XDG_CONFIG_HOME, else
// ~/.config; on Windows under the roaming application-data folder, ending
// with '\'), created when missing. Worked out afresh on every call. Paths are
// UTF-8. When it cannot be made, `*error` says where the data should go and
// why it cannot: on Linux nothing is ever stored beside the program (an
// installed program's folder is the system's), and the folder it should be is
// given all the same, so that what uses it fails and says so; on Windows the
// program folder followed by "Data\" stands in.
std::string GetAppDataFolder(std::string* error = nullptr);

// $XDG_CONFIG_HOME, else ~/.config, ending with '/'; empty when neither is set.
// On Windows the roaming application-data folder (%APPDATA%\).
std::string configHomeFolder();

// The folder GetAppDataFolder would give, found without creating anything
// (for tools that only read).
std::string existingAppDataFolder();

// The same rule with its inputs given: configHome and home may be empty
// (on Windows configHome is the application-data folder and home is unused).
std::string appDataFolderFor(const std::string& configHome, const std::string& home,
                             const std::string& programFolder, std::string* error = nullptr);

}  // namespace velor
