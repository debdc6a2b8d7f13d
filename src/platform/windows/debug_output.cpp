#include "platform/debug_output.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/windows/win32_text.h"

namespace velor {

DebugSink defaultDebugSink() {
    // A debugger (or DebugView) always sees the lines; a console only when asked.
    const bool toStderr = std::getenv("VELOR_DEBUG") != nullptr;
    return [toStderr](std::string_view line) {
        const std::wstring wide = win32::widen(line) + L"\r\n";
        ::OutputDebugStringW(wide.c_str());
        if (toStderr) std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
}

}  // namespace velor
