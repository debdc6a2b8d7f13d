#include "platform/store_lock.h"

#include <windows.h>

#include <filesystem>

#include "platform/store_lock_text.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

// The lock covers one byte far beyond the file's end, so the holder can write
// who it is at the start for a refused process to read.
OVERLAPPED lockedByte() {
    OVERLAPPED at{};
    at.OffsetHigh = 1;
    return at;
}

bool lockByte(HANDLE file) {
    OVERLAPPED at = lockedByte();
    return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

// "velorctl (process 1234)", as the Linux side names a holder.
std::string thisProcess() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return win32::narrow(std::filesystem::path(path).stem().native()) + " (process " +
           std::to_string(::GetCurrentProcessId()) + ")";
}

std::filesystem::path lockPath(const std::string& folder) {
    return std::filesystem::path(win32::widen(folder)) / L"store.lock";
}

}  // namespace

struct StoreLock::Held {
    HANDLE file;
};

StoreLock::StoreLock(std::unique_ptr<Held> held) : held_(std::move(held)) {}

StoreLock::~StoreLock() {
    ::CloseHandle(held_->file);  // releases the lock
}

std::unique_ptr<StoreLock> StoreLock::acquire(const std::string& folder, std::string* error,
                                              bool* held) {
    if (held) *held = false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(win32::widen(folder)), ec);
    const std::filesystem::path path = lockPath(folder);
    // Shared for reading and writing: only the byte lock says who holds it, so
    // a holder that died leaves nothing behind to refuse the next one. Not for
    // deleting: a lock file removed while held would let a second holder in
    // through a new one.
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error)
            *error = "cannot open " + win32::narrow(path.native()) + ": " + win32::lastErrorText();
        return nullptr;
    }
    if (lockByte(file)) {
        const std::string me = thisProcess();
        DWORD written = 0;
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        ::WriteFile(file, me.data(), static_cast<DWORD>(me.size()), &written, nullptr);
        ::SetEndOfFile(file);
        return std::unique_ptr<StoreLock>(new StoreLock(std::make_unique<Held>(Held{file})));
    }
    const DWORD why = ::GetLastError();
    ::CloseHandle(file);
    if (why == ERROR_LOCK_VIOLATION || why == ERROR_IO_PENDING) {
        if (held) *held = true;
        if (error) *error = storeInUseText(folder);
        return nullptr;
    }
    if (error)
        *error = "cannot lock " + win32::narrow(path.native()) + ": " + win32::errorText(why);
    return nullptr;
}

std::string StoreLock::holderOf(const std::string& folder) {
    HANDLE file = ::CreateFileW(lockPath(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string holder;
    if (lockByte(file)) {
        OVERLAPPED at = lockedByte();
        ::UnlockFileEx(file, 0, 1, 0, &at);  // nobody holds it
    } else {
        char text[256];
        DWORD got = 0;
        if (::ReadFile(file, text, sizeof text, &got, nullptr)) holder.assign(text, got);
    }
    ::CloseHandle(file);
    return holder;
}

}  // namespace velor
