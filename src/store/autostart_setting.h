// Turning autostart on or off: the "Startup" preference is written first, then
// the autostart entry is written or removed.
#pragma once

#include <string>

#include "store/app_settings.h"

namespace velor {

// entryPath: where the autostart entry lives; programPath: the running program.
void SetAutostart(bool on, AppSettings& settings, const std::string& entryPath,
                  const std::string& programPath, const DebugSink& debug);

}  // namespace velor
