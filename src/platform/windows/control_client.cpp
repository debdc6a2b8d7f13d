#include "platform/control_client.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "platform/control_failures.h"
#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

using Deadline = std::chrono::steady_clock::time_point;

DWORD millisLeft(Deadline deadline) {
    const auto left =
        std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, INFINITE - 1));
}

enum class Io { Done, Ended, Late };

// One read or write on the overlapped pipe, waiting no later than the
// deadline: a stopped program must not hold velorctl for good.
Io transfer(HANDLE pipe, HANDLE event, bool write, void* buffer, DWORD size, DWORD* moved,
            Deadline deadline) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    const BOOL started = write ? ::WriteFile(pipe, buffer, size, nullptr, &overlapped)
                               : ::ReadFile(pipe, buffer, size, nullptr, &overlapped);
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return Io::Ended;
    if (::WaitForSingleObject(event, millisLeft(deadline)) != WAIT_OBJECT_0) {
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, moved, TRUE);  // the buffer is ours again
        return Io::Late;
    }
    return ::GetOverlappedResult(pipe, &overlapped, moved, FALSE) && *moved > 0 ? Io::Done
                                                                                : Io::Ended;
}

}  // namespace

std::string controlSocketPath(const std::string& runtimeFolder) {
    return runtimeFolder + "-control";
}

std::optional<ControlAnswer> askRunningProgram(const std::string& socketPath,
                                               const std::vector<std::string>& args,
                                               Millis timeout) {
    const Deadline deadline = std::chrono::steady_clock::now() + timeout;
    const auto pipe = win32::connectToOwnPipe(win32::widen(socketPath), millisLeft(deadline));
    if (!pipe) return std::nullopt;  // nobody listens: the program is not running
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::string request = encodeRequest(args);
    Io io = event != nullptr ? Io::Done : Io::Ended;
    bool sent = io == Io::Done;
    for (std::size_t done = 0; done < request.size() && io == Io::Done;) {
        DWORD n = 0;
        io = transfer(*pipe, event, true, request.data() + done,
                      static_cast<DWORD>(request.size() - done), &n, deadline);
        done += n;
        sent = done == request.size();
    }
    // The answer comes once the command has run (an apply takes seconds). A
    // request the program would not take (busy) may have met its answer and
    // a closed pipe before it was all sent: the answer is read all the same.
    std::string answer;
    char buffer[4096];
    std::optional<ControlAnswer> decoded;
    Io reading = io == Io::Late || event == nullptr ? io : Io::Done;
    while (reading == Io::Done && !(decoded = decodeAnswer(answer))) {
        DWORD n = 0;
        reading = transfer(*pipe, event, false, buffer, sizeof buffer, &n, deadline);
        if (reading == Io::Done) answer.append(buffer, n);
    }
    if (event != nullptr) ::CloseHandle(event);
    ::CloseHandle(*pipe);
    if (decoded) return decoded;
    return unansweredRequest(reading == Io::Late, sent, timeout);
}

}  // namespace velor
