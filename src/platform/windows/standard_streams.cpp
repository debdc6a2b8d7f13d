#include "platform/standard_streams.h"

#include <windows.h>

#include "platform/windows/console_text.h"

namespace velor {

namespace {

// The C runtime's own streams are left alone: everything we print goes
// through these, straight to the handle.
std::ostream& streamFor(DWORD which) {
    static win32::Utf8StreamBuffer output(win32::standardHandleEnd(STD_OUTPUT_HANDLE));
    static win32::Utf8StreamBuffer error(win32::standardHandleEnd(STD_ERROR_HANDLE));
    static std::ostream outputStream(&output);
    static std::ostream errorStream(&error);
    errorStream.setf(std::ios::unitbuf);  // errors show at once, as stderr's do
    return which == STD_OUTPUT_HANDLE ? outputStream : errorStream;
}

}  // namespace

std::ostream& standardOutput() {
    return streamFor(STD_OUTPUT_HANDLE);
}

std::ostream& standardError() {
    return streamFor(STD_ERROR_HANDLE);
}

}  // namespace velor
