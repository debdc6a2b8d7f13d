#include "platform/thread_name.h"

#include <windows.h>

#include <string>

#include "platform/windows/win32_text.h"

namespace velor {

void nameThisThread(const char* name) {
    // Windows 10 1607 and later only: looked up, so older systems still start.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const auto setDescription = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (setDescription == nullptr) return;
    const std::wstring shortened = win32::widen(std::string(name).substr(0, 15));
    setDescription(::GetCurrentThread(), shortened.c_str());
}

}  // namespace velor
