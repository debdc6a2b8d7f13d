#include "store/autostart_setting.h"

#include "platform/autostart.h"

namespace velor {

void SetAutostart(bool on, AppSettings& settings, const std::string& entryPath,
                  const std::string& programPath, const DebugSink& debug) {
    settings.SaveStartup(on ? 1 : 0);
    if (on) {
        debug(writeAutostartEntry(entryPath, programPath) ? "startup success!!!!!!!!!!!!"
                                                          : "startup fail!!!!!!!!!!!!");
    } else {
        removeAutostartEntry(entryPath);
    }
}

}  // namespace velor
