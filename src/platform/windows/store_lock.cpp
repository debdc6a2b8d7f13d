#include "platform/store_lock.h"

#include <windows.h>

#include <filesystem>

#include "platform/store_lock_text.h"
#include "platform/windows/win32_text.h"

namespace velor {

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
    const std::filesystem::path folderPath(win32::widen(folder));
    std::filesystem::create_directories(folderPath, ec);
    const std::filesystem::path path = folderPath / L"store.lock";
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
    OVERLAPPED whole{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &whole))
        return std::unique_ptr<StoreLock>(new StoreLock(std::make_unique<Held>(Held{file})));
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

std::string StoreLock::holderOf(const std::string&) {
    return {};  // Windows keeps no record of who holds a byte-range lock
}

}  // namespace velor
