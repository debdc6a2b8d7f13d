// Text at the edge of the Win32 API: the core speaks UTF-8, the wide API
// UTF-16. Only the Windows sources of this folder include it.
#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace velor::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The system's own wording of an error code (GetLastError), with its number.
std::string errorText(unsigned long code);
// The same for the calling thread's last error.
std::string lastErrorText();

// A path with '/' turned into '\', as some calls (the shell's) insist on.
std::wstring nativeSeparators(std::wstring path);

}  // namespace velor::win32

#endif
