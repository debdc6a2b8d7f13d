#include "platform/command_line.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include "platform/windows/win32_text.h"

namespace velor {

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    // argv holds the ANSI code page's spelling, which loses what it cannot
    // write; the wide command line has every character.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(win32::narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

}  // namespace velor
