#include "platform/app_folders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/program_folder.h"

namespace velor {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool ensureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string appDataFolderFor(const std::string& configHome, const std::string& home,
                             const std::string& programFolder) {
    // Relative values are ignored, as the XDG rules ask.
    std::string base;
    if (!configHome.empty() && configHome.front() == '/') {
        base = configHome;
    } else if (!home.empty() && home.front() == '/') {
        base = withSlash(home) + ".config";
    }
    if (!base.empty()) {
        const std::string folder = withSlash(base) + kDataFolderName;
        if (ensureFolder(folder)) return withSlash(folder);
    }
    const std::string fallback = withSlash(programFolder) + "Data";
    ensureFolder(fallback);
    return withSlash(fallback);
}

std::string existingAppDataFolder() {
    const std::string configHome = envOrEmpty("XDG_CONFIG_HOME");
    const std::string home = envOrEmpty("HOME");
    std::string base = !configHome.empty() && configHome.front() == '/' ? configHome
                       : !home.empty() && home.front() == '/'          ? withSlash(home) + ".config"
                                                                       : std::string();
    const std::string preferred = base.empty() ? std::string() : withSlash(withSlash(base) + kDataFolderName);
    std::error_code ec;
    if (!preferred.empty() && std::filesystem::is_directory(preferred, ec)) return preferred;
    const std::string fallback = withSlash(withSlash(GetProgramFolder()) + "Data");
    if (std::filesystem::is_directory(fallback, ec) || preferred.empty()) return fallback;
    return preferred;
}

std::string GetAppDataFolder() {
    return appDataFolderFor(envOrEmpty("XDG_CONFIG_HOME"), envOrEmpty("HOME"), GetProgramFolder());
}

}  // namespace velor
