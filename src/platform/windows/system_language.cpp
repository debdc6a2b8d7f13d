#include "platform/system_language.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/language_name.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace win32 {

std::string localeNameOfLanguage(unsigned short languageId) {
    // Named with its region, so the whole id still decides: the Chinese of
    // Taiwan is not that of mainland China.
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::LCIDToLocaleName(MAKELCID(languageId, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) ==
        0)
        return {};
    std::string text = narrow(name);
    std::replace(text.begin(), text.end(), '-', '_');
    return text;
}

}  // namespace win32

std::string systemUiLanguage() {
    return win32::localeNameOfLanguage(::GetUserDefaultUILanguage());
}

}  // namespace velor
