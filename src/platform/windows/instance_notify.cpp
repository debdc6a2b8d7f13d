#include "platform/instance_notify.h"

#include <windows.h>

#include <cstring>

#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

constexpr Millis kRetryAfter{100};
// How long the first copy's server thread may take to answer one attempt; it
// answers at once unless the process is stopped.
constexpr DWORD kAnswerMs = 2000;

enum class Attempt { taken, again, givenUp };

// One overlapped read or write, waited for up to kAnswerMs; false on failure
// or time out (cancelled then), with the error in *error.
bool io(HANDLE pipe, bool write, char* data, DWORD size, DWORD* moved, DWORD* error) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        *error = ::GetLastError();
        return false;
    }
    const BOOL started = write ? ::WriteFile(pipe, data, size, nullptr, &overlapped)
                               : ::ReadFile(pipe, data, size, nullptr, &overlapped);
    bool done = started || ::GetLastError() == ERROR_IO_PENDING;
    *error = done ? ERROR_SUCCESS : ::GetLastError();
    if (done && ::WaitForSingleObject(overlapped.hEvent, kAnswerMs) != WAIT_OBJECT_0) {
        // The operation must have ended before its OVERLAPPED goes.
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, moved, TRUE);
        *error = WAIT_TIMEOUT;
        done = false;
    }
    if (done && !::GetOverlappedResult(pipe, &overlapped, moved, TRUE)) {
        *error = ::GetLastError();
        done = false;
    }
    ::CloseHandle(overlapped.hEvent);
    return done;
}

std::string sendFailure(DWORD error) {
    ::SetLastError(error);
    return "the request could not be sent: " + win32::lastErrorText();
}

Attempt tryOnce(const std::wstring& name, const std::string& path, std::string& why) {
    const auto pipe = win32::connectToOwnPipe(name, 100);
    if (!pipe) {
        why = "nobody listens at " + path;
        return Attempt::again;
    }
    char request[8];
    const DWORD length = static_cast<DWORD>(std::strlen(kShowRequest));
    std::memcpy(request, kShowRequest, length);
    DWORD moved = 0, error = 0;
    Attempt attempt = Attempt::again;
    if (!io(*pipe, true, request, length, &moved, &error) || moved != length) {
        why = error == WAIT_TIMEOUT
                  ? "it did not take the request within 2 seconds (is it stopped?)"
                  : sendFailure(error);
        attempt = error == WAIT_TIMEOUT ? Attempt::givenUp : Attempt::again;
    } else {
        std::string answer;
        char buffer[64];
        while (io(*pipe, false, buffer, sizeof buffer, &moved, &error))
            answer.append(buffer, moved);
        // Hung up without a word: the request was taken.
        if (error == WAIT_TIMEOUT) {
            why = "it did not answer within 2 seconds (is it stopped?)";
            attempt = Attempt::givenUp;
        } else if (answer.starts_with(kInstanceBusy)) {
            why = "it is busy with other connections";
        } else if (answer.empty() &&
                   (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED)) {
            attempt = Attempt::taken;
        } else {
            why = "it hung up on the request";
        }
    }
    ::CloseHandle(*pipe);
    return attempt;
}

}  // namespace

bool notifyFirstInstance(const std::string& socketPath, Clock& clock, std::string* why) {
    const std::wstring name = win32::widen(socketPath);
    std::string reason;
    const Millis giveUp = clock.now() + kNotifyPatience;
    for (;;) {
        const Attempt attempt = tryOnce(name, socketPath, reason);
        if (attempt == Attempt::taken) return true;
        if (attempt == Attempt::givenUp || clock.now() + kRetryAfter > giveUp) break;
        clock.sleepFor(kRetryAfter);
    }
    if (why) *why = reason;
    return false;
}

}  // namespace velor
