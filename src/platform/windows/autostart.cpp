#include "platform/autostart.h"

#include <windows.h>

#include <string_view>

#include "platform/app_folders.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER\\";

struct RunValue {
    std::wstring key;
    std::wstring name;
};

// The key and value an entry path names; nothing for a path outside the
// current user's registry, which this program never writes.
bool parse(const std::string& entryPath, RunValue* value) {
    if (!entryPath.starts_with(kUserRoot)) return false;
    const std::size_t split = entryPath.rfind('\\');
    if (split <= kUserRoot.size() || split + 1 >= entryPath.size()) return false;
    value->key = win32::widen(entryPath.substr(kUserRoot.size(), split - kUserRoot.size()));
    value->name = win32::widen(entryPath.substr(split + 1));
    return true;
}

}  // namespace

std::string autostartEntryPath() {
    return std::string(kUserRoot) + "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" +
           kDataFolderName;
}

std::string autostartCommand(const std::string& programPath) {
    // Unquoted, "C:\Program Files\..." would start "C:\Program" when such a
    // file exists. A Windows path cannot hold a double quote itself.
    const bool quote = programPath.find_first_of(" \t") != std::string::npos;
    return quote ? "\"" + programPath + "\" -auto" : programPath + " -auto";
}

bool writeAutostartEntry(const std::string& entryPath, const std::string& programPath) {
    RunValue value;
    if (!parse(entryPath, &value)) return false;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, value.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring command = win32::widen(autostartCommand(programPath));
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    const LSTATUS set = ::RegSetValueExW(key, value.name.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(command.c_str()), bytes);
    ::RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

bool removeAutostartEntry(const std::string& entryPath) {
    RunValue value;
    if (!parse(entryPath, &value)) return false;
    HKEY key = nullptr;
    const LSTATUS opened =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, value.key.c_str(), 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LSTATUS deleted = ::RegDeleteValueW(key, value.name.c_str());
    ::RegCloseKey(key);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool autostartEntryPresent(const std::string& entryPath) {
    RunValue value;
    return parse(entryPath, &value) &&
           ::RegGetValueW(HKEY_CURRENT_USER, value.key.c_str(), value.name.c_str(),
                          RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

}  // namespace velor
