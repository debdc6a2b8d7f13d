// The user preferences in "CONFIG.ini" (section "SETTING"): language,
// autostart, feedback and battery notices. Each save writes one key and leaves the rest of the
// file as it was; the file path is worked out afresh on every access.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/debug_output.h"

namespace velor {

inline constexpr std::string_view kSettingsFile = "CONFIG.ini";
inline constexpr std::string_view kSettingsSection = "SETTING";
inline constexpr int kUnset = -1;

class AppSettings {
  public:
    // dataFolder gives the folder (ending in '/') at every call.
    AppSettings(std::function<std::string()> dataFolder, DebugSink debug);

    // kUnset when the file, section or key is missing or unreadable.
    int read(std::string_view key) const;
    int lanId() const { return read("lanId"); }
    int startup() const { return read("Startup"); }
    int feedback() const { return read("Feedback"); }
    int batteryNotices() const { return read("BatteryNotice"); }

    bool SaveLanguage(int id) { return write("lanId", id); }
    bool SaveStartup(int value) { return write("Startup", value); }
    bool SaveFeedback(int value) { return write("Feedback", value); }
    bool SaveBatteryNotices(int value) { return write("BatteryNotice", value); }

    std::string path() const;

  private:
    bool write(std::string_view key, int value);

    std::function<std::string()> dataFolder_;
    DebugSink debug_;
    bool reportedWriteFailure_ = false;
};

}  // namespace velor
