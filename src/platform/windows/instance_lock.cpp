#include "platform/instance_lock.h"

#include <windows.h>

#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

constexpr const char* kPipePrefix = "\\\\.\\pipe\\velor-gaming-driver-";
// The name installers and tools know the running program by.
constexpr const wchar_t* kMutexName = L"Local\\VELOR Gaming Driver";

// The program's own folder takes the well-known name; any other (a test's)
// gets a mutex of its own, so that it never meets a running program.
std::wstring mutexNameFor(const std::string& runtimeFolder) {
    if (runtimeFolder == instanceRuntimeFolder()) return kMutexName;
    std::wstring tail = win32::widen(runtimeFolder);
    for (wchar_t& c : tail) {
        if (c == L'\\') c = L'/';  // a backslash would name a namespace
    }
    return std::wstring(kMutexName) + L" " + tail;
}

}  // namespace

struct InstanceLock::Held {
    HANDLE mutex;
};

InstanceLock::InstanceLock(std::unique_ptr<Held> held, std::string socketPath)
    : held_(std::move(held)), socketPath_(std::move(socketPath)) {}

InstanceLock::~InstanceLock() {
    ::CloseHandle(held_->mutex);  // the mutex goes with its last handle
}

std::string instanceRuntimeFolder() {
    // Pipes are seen by every session and user: the name carries both, as the
    // mutex (of this session's namespace) does by where it lives.
    const std::string sid = win32::currentUserSid();
    DWORD session = 0;
    if (sid.empty() || !::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return {};
    return kPipePrefix + sid + "-" + std::to_string(session);
}

std::string instanceSocketPath(const std::string& runtimeFolder) {
    return runtimeFolder + "-instance";
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::string& runtimeFolder,
                                                    std::string* error, bool* otherUser) {
    if (otherUser) *otherUser = false;
    const std::wstring name = mutexNameFor(runtimeFolder);
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD why = ::GetLastError();
    // Denied: the mutex exists and belongs to a copy run under another
    // account in this session ("Run as a different user"). Both copies would
    // drive the same mice, and this one cannot ask that one to show itself.
    if (mutex == nullptr && why == ERROR_ACCESS_DENIED) {
        if (otherUser) *otherUser = true;
        if (error)
            *error = "another user's copy of the program holds " + win32::narrow(name) +
                     " in this session; end that copy (Task Manager names its user) and "
                     "start this one again";
        return nullptr;
    }
    if (mutex == nullptr) {
        if (error)
            *error = "cannot make the mutex " + win32::narrow(name) + ": " + win32::errorText(why);
        return nullptr;
    }
    if (why == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(
        new InstanceLock(std::make_unique<Held>(Held{mutex}), instanceSocketPath(runtimeFolder)));
}

}  // namespace velor
