#include "platform/mouse_settings.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

namespace velor {

bool openMouseSettings() {
    // The control panel's own mouse page.
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", L"control.exe", L"main.cpl", nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace velor
