#include "platform/debug_output.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/windows/win32_text.h"
#include "util/printable.h"

namespace velor {

Log standardLog(bool debug) {
    // A debugger (or DebugView) always sees every line; a console sees errors
    // and warnings, and debug lines only when asked.
    const bool debugToStderr = debug || debugRequested(std::getenv("VELOR_DEBUG"));
    return Log([debugToStderr](LogLevel level, std::string_view line) {
        // Lines carry names from outside (window classes, file names): none
        // may reach a console or a debugger as a control sequence.
        const std::string shown = printableText(line);
        const std::wstring wide = win32::widen(shown) + L"\r\n";
        ::OutputDebugStringW(wide.c_str());
        if (level == LogLevel::debug && !debugToStderr) return;
        std::fprintf(stderr, "%.*s\n", static_cast<int>(shown.size()), shown.data());
        std::fflush(stderr);
    });
}

DebugSink defaultDebugSink() {
    return standardLog().debugSink();
}

}  // namespace velor
