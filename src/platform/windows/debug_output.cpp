#include "platform/debug_output.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/windows/win32_text.h"

namespace velor {

Log standardLog() {
    // A debugger (or DebugView) always sees every line; a console sees errors
    // and warnings, and debug lines only when asked.
    const bool debugToStderr = std::getenv("VELOR_DEBUG") != nullptr;
    return Log([debugToStderr](LogLevel level, std::string_view line) {
        const std::wstring wide = win32::widen(line) + L"\r\n";
        ::OutputDebugStringW(wide.c_str());
        if (level == LogLevel::debug && !debugToStderr) return;
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        std::fflush(stderr);
    });
}

DebugSink defaultDebugSink() {
    return standardLog().debugSink();
}

}  // namespace velor
