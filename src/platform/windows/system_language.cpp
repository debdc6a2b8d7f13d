#include "platform/system_language.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/win32_text.h"

namespace velor {

std::string systemUiLanguage() {
    // The whole language id decides (Chinese of Taiwan is not that of
    // mainland China), so it is named with its region: 0x0804 -> "zh_CN",
    // 0x0404 -> "zh_TW", 0x042A -> "vi_VN".
    const LCID locale = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return {};
    std::string text = win32::narrow(name);
    std::replace(text.begin(), text.end(), '-', '_');
    return text;
}

}  // namespace velor
