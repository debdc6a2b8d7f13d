#include "platform/app_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

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
// Empty when the folder is there (made now or before), else why it cannot be.
std::string makeFolder(const std::filesystem::path& folder) {
    if (makePrivateFolders(folder)) return {};
    // Tried once more only for the system's reason.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::error_code again;
    if (std::filesystem::is_directory(folder, again)) return {};
    return ec ? ec.message() : std::string("something that is not a folder is in its place");
}

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// $HOME, else the home folder the user database gives (a session started
// without HOME still has one there).
std::string homeFolder() {
    std::string home = envOrEmpty("HOME");
    if (!home.empty() && home.front() == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr)
        return found->pw_dir;
    return home;
}

// The user's configuration folder with '/' at the end; relative values are
// ignored, as the XDG rules ask. Empty when neither variable helps.
std::string configBase(const std::string& configHome, const std::string& home) {
    if (!configHome.empty() && configHome.front() == '/') return withSlash(configHome);
    if (!home.empty() && home.front() == '/') return withSlash(withSlash(home) + ".config");
    return {};
}

// Only the tools that read look here, for data an older version stored beside
// the program; nothing is stored there any more.
std::string fallbackFolder(const std::string& programFolder) {
    return withSlash(withSlash(programFolder) + "Data");
}

}  // namespace

std::string configHomeFolder() {
    return configBase(envOrEmpty("XDG_CONFIG_HOME"), homeFolder());
}

// Never the program folder: an installed program's folder belongs to the
// system, and data stored there silently would be lost or shared.
std::string appDataFolderFor(const std::string& configHome, const std::string& home,
                             const std::string&, std::string* error) {
    const std::string base = configBase(configHome, home);
    if (base.empty()) {
        if (error)
            *error =
                "there is no data folder for the profiles and macros: neither "
                "XDG_CONFIG_HOME nor HOME names one (an absolute path); set HOME";
        return {};
    }
    const std::string folder = withSlash(base + kDataFolderName);
    const std::string why = makeFolder(folder);
    if (!why.empty() && error)
        *error = "the data folder for the profiles and macros, " + folder +
                 ", cannot be made: " + why +
                 "; make it, or set XDG_CONFIG_HOME to a folder you can write in";
    return folder;
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

std::string GetAppDataFolder(std::string* error) {
    return appDataFolderFor(envOrEmpty("XDG_CONFIG_HOME"), homeFolder(), {}, error);
}

}  // namespace velor
