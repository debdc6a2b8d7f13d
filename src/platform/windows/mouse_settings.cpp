#include "platform/mouse_settings.h"

#include <shellapi.h>
#include <windows.h>

namespace velor {

bool openMouseSettings() {
    // The control panel's own mouse page.
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", L"control.exe", L"main.cpl", nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace velor
