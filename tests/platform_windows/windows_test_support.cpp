#include "windows_test_support.h"

#include <windows.h>

#include <atomic>

#include "platform/windows/win32_text.h"

namespace velor::testing {

namespace {

std::wstring quoted(const std::wstring& argument) {
    // No argument here ends in a backslash or holds a quote.
    return L"\"" + argument + L"\"";
}

}  // namespace

WindowsTempFolder::WindowsTempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            (L"velor-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++));
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    std::filesystem::create_directories(path_);
}

WindowsTempFolder::~WindowsTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string WindowsTempFolder::folder() const {
    return win32::narrow(path_.native()) + "\\";
}

int runChild(const std::vector<std::string>& arguments) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = quoted(self) + L" --child";
    for (const std::string& argument : arguments)
        commandLine += L" " + quoted(win32::widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

std::string uniquePipeName(const std::string& what) {
    static std::atomic<int> counter{0};
    return "\\\\.\\pipe\\velor-test-" + what + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++);
}

}  // namespace velor::testing
