#include "platform/app_folders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/data_folder_choice.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"

namespace velor {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The data folder holds what the user typed and runs: made for them alone.
bool ensureFolder(const std::filesystem::path& folder) {
    return makePrivateFolders(folder);
}

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The user's configuration folder with '/' at the end; relative values are
// ignored, as the XDG rules ask. Empty when neither variable helps.
std::string configBase(const std::string& configHome, const std::string& home) {
    if (!configHome.empty() && configHome.front() == '/') return withSlash(configHome);
    if (!home.empty() && home.front() == '/') return withSlash(withSlash(home) + ".config");
    return {};
}

std::string fallbackFolder(const std::string& programFolder) {
    return withSlash(withSlash(programFolder) + "Data");
}

}  // namespace

std::string configHomeFolder() {
    return configBase(envOrEmpty("XDG_CONFIG_HOME"), envOrEmpty("HOME"));
}

std::string appDataFolderFor(const std::string& configHome, const std::string& home,
                             const std::string& programFolder) {
    const std::string base = configBase(configHome, home);
    if (!base.empty()) {
        const std::string folder = withSlash(base + kDataFolderName);
        if (ensureFolder(folder)) return folder;
    }
    const std::string fallback = fallbackFolder(programFolder);
    ensureFolder(fallback);
    return fallback;
}

std::string existingAppDataFolder() {
    const std::string base = configHomeFolder();
    const std::string preferred = base.empty() ? std::string() : withSlash(base + kDataFolderName);
    const std::string fallback = fallbackFolder(GetProgramFolder());
    return chooseExistingFolder(preferred, fallback, [](const std::string& folder) {
        std::error_code ec;
        return std::filesystem::is_directory(folder, ec);
    });
}

std::string GetAppDataFolder() {
    return appDataFolderFor(envOrEmpty("XDG_CONFIG_HOME"), envOrEmpty("HOME"), GetProgramFolder());
}

}  // namespace velor
