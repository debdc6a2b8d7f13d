#include "platform/app_folders.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>

#include "platform/data_folder_choice.h"
#include "platform/program_folder.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

std::string withSeparator(std::string folder) {
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    return folder;
}

// Paths travel as UTF-8; the file system is asked in UTF-16, never in the
// ANSI code page, which cannot spell every user's name.
bool isFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(win32::widen(folder)), ec);
}

bool ensureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(win32::widen(folder)), ec);
    return isFolder(folder);
}

// Asked of the known-folder call, which hands back a path of any length:
// a roaming folder redirected deep into a network share passes MAX_PATH.
std::string roamingAppData(DWORD flags) {
    wchar_t* path = nullptr;
    const HRESULT got = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, flags, nullptr, &path);
    std::string folder = SUCCEEDED(got) && path != nullptr ? win32::narrow(path) : std::string();
    ::CoTaskMemFree(path);
    return folder.empty() ? folder : withSeparator(folder);
}

std::string fallbackFolder(const std::string& programFolder) {
    return withSeparator(withSeparator(programFolder) + "Data");
}

}  // namespace

std::string configHomeFolder() {
    return roamingAppData(0);
}

std::string appDataFolderFor(const std::string& configHome, const std::string&,
                             const std::string& programFolder, std::string* error) {
    if (!configHome.empty()) {
        const std::string folder = withSeparator(withSeparator(configHome) + kDataFolderName);
        // A folder that cannot be made would fail every save later: the
        // program folder's "Data" is used instead.
        if (ensureFolder(folder)) return folder;
    }
    const std::string fallback = fallbackFolder(programFolder);
    if (!ensureFolder(fallback) && error)
        *error = "the data folder for the profiles and macros, " + fallback + ", cannot be made";
    return fallback;
}

std::string existingAppDataFolder() {
    const std::string base = configHomeFolder();
    const std::string preferred =
        base.empty() ? std::string() : withSeparator(base + kDataFolderName);
    const std::string fallback = fallbackFolder(GetProgramFolder());
    return chooseExistingFolder(preferred, fallback, isFolder);
}

std::string GetAppDataFolder(std::string* error) {
    return appDataFolderFor(roamingAppData(KF_FLAG_CREATE), {}, GetProgramFolder(), error);
}

}  // namespace velor
