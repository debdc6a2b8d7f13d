#include "platform/program_folder.h"

#include <windows.h>

#include "platform/windows/win32_text.h"

namespace velor {

std::string GetProgramPath() {
    // Grown until the whole path fits: a deep install passes MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return win32::narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string GetProgramFolder() {
    const std::string path = GetProgramPath();
    const std::size_t end = path.find_last_of("\\/");
    return end == std::string::npos ? std::string(".\\") : path.substr(0, end + 1);
}

// An installed program keeps its resources and libraries beside it.
std::string GetResourceFolder() {
    return GetProgramFolder() + "res\\";
}

std::string GetLibraryFolder() {
    return GetProgramFolder();
}

}  // namespace velor
