// The per-user autostart entry: a desktop entry in the autostart folder whose
// command is the program's full path followed by " -auto".
#pragma once

#include <string>

namespace velor {

// $XDG_CONFIG_HOME/autostart/velor.desktop (else ~/.config/autostart/...).
std::string autostartEntryPath();

// The command line the entry starts: the path (quoted when it needs to be)
// followed by " -auto".
std::string autostartCommand(const std::string& programPath);

bool writeAutostartEntry(const std::string& entryPath, const std::string& programPath);
// True when the entry is gone afterwards (also when it never existed).
bool removeAutostartEntry(const std::string& entryPath);

}  // namespace velor
