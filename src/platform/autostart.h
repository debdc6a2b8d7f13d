// The per-user autostart entry. Linux: a desktop entry in the autostart
// folder whose command is the program's full path followed by " -auto".
// Windows: the value "VELOR Gaming Driver" under the current user's Run key
// (the machine-wide key needs administrator rights), holding the same
// command; its "entry path" names the value as
// "HKEY_CURRENT_USER\<key>\<value name>".
#pragma once

#include <string>

namespace velor {

// $XDG_CONFIG_HOME/autostart/velor.desktop (else ~/.config/autostart/...);
// on Windows HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run\VELOR Gaming Driver.
std::string autostartEntryPath();

// The command line the entry starts: the path (quoted when it needs to be)
// followed by " -auto".
std::string autostartCommand(const std::string& programPath);

bool writeAutostartEntry(const std::string& entryPath, const std::string& programPath);
// True when the entry is gone afterwards (also when it never existed).
bool removeAutostartEntry(const std::string& entryPath);
// Whether the login will start the program: the entry is there.
bool autostartEntryPresent(const std::string& entryPath);

}  // namespace velor
