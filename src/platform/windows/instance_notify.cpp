#include "platform/instance_notify.h"

#include <windows.h>

#include <cstring>

#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

bool notifyFirstInstance(const std::string& socketPath, int attempts) {
    const std::wstring name = win32::widen(socketPath);
    for (int i = 0; i < attempts; ++i) {
        if (const auto pipe = win32::connectToOwnPipe(name, 100)) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            const DWORD length = static_cast<DWORD>(std::strlen(kShowRequest));
            DWORD written = 0;
            bool sent = overlapped.hEvent != nullptr &&
                        (::WriteFile(*pipe, kShowRequest, length, nullptr, &overlapped) ||
                         ::GetLastError() == ERROR_IO_PENDING);
            // A first copy that stopped must not hold the second one for good.
            if (sent && ::WaitForSingleObject(overlapped.hEvent, 2000) != WAIT_OBJECT_0) {
                ::CancelIo(*pipe);
                sent = false;
            }
            sent = sent && ::GetOverlappedResult(*pipe, &overlapped, &written, TRUE) &&
                   written == length;
            if (overlapped.hEvent != nullptr) ::CloseHandle(overlapped.hEvent);
            ::CloseHandle(*pipe);
            return sent;
        }
        // The first copy holds the mutex but may not listen yet.
        ::Sleep(100);
    }
    return false;
}

}  // namespace velor
