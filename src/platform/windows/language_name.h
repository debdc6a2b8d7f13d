// The locale name of a Windows language id, as the core's language choice
// reads it: 0x0804 -> "zh_CN", 0x0404 -> "zh_TW", 0x042A -> "vi_VN".
#pragma once

#ifdef _WIN32

#include <string>

namespace velor::win32 {

// Empty for an id the system does not know.
std::string localeNameOfLanguage(unsigned short languageId);

}  // namespace velor::win32

#endif
