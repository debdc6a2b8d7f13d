#include "store/app_settings.h"

#include "platform/file_io.h"
#include "store/ini_file.h"
#include "util/utf8_path.h"

namespace velor {

namespace {
// A settings file is a few lines; anything bigger is not ours to parse.
constexpr std::uintmax_t kMaxSettingsBytes = 1 << 20;

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
}  // namespace

AppSettings::AppSettings(std::function<std::string()> dataFolder, DebugSink debug)
    : dataFolder_(std::move(dataFolder)), debug_(debug ? std::move(debug) : defaultDebugSink()) {}

std::string AppSettings::path() const {
    return dataFolder_() + std::string(kSettingsFile);
}

int AppSettings::read(std::string_view key) const {
    const auto bytes = readWholeFile(pathFromUtf8(path()), kMaxSettingsBytes);
    if (!bytes) return kUnset;
    return iniInt(IniDocument::parse(textOf(*bytes)).value(kSettingsSection, key), kUnset);
}

bool AppSettings::write(std::string_view key, int value) {
    const std::filesystem::path file = pathFromUtf8(path());
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    const auto bytes = readWholeFile(file, kMaxSettingsBytes);
    // A file that exists but cannot be read is not replaced: it may hold more
    // than our three keys.
    if (exists && !bytes) {
        if (!reportedWriteFailure_) debug_("settings file cannot be read, not saving: " + path());
        reportedWriteFailure_ = true;
        return false;
    }
    IniDocument doc = IniDocument::parse(bytes ? textOf(*bytes) : std::string());
    doc.set(kSettingsSection, key, std::to_string(value));
    const std::string text = doc.text();
    FileError error;
    if (!writeFileAtomically(
            file, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, &error)) {
        if (!reportedWriteFailure_) debug_("settings not saved: " + error.message);
        reportedWriteFailure_ = true;
        return false;
    }
    return true;
}

}  // namespace velor
