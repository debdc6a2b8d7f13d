// One running copy per user: a lock the kernel drops when the process dies
// (so it never goes stale), in a folder only this user can reach, beside the
// socket through which a second copy asks the first to show itself.
// On Windows the lock is the named mutex "VELOR Gaming Driver" of the user's
// session, the "folder" is the name prefix of this session's named pipes, and
// the socket is one of those pipes.
#pragma once

#include <memory>
#include <string>

namespace velor {

class InstanceLock {
  public:
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The lock when this is the first copy; nullptr when another copy of this
    // user holds it. error is set when the lock could not even be tried, and
    // *otherUser too when that is because another account's copy holds it
    // (Windows: the session's mutex is another user's), with the error saying so.
    static std::unique_ptr<InstanceLock> acquire(const std::string& runtimeFolder,
                                                 std::string* error = nullptr,
                                                 bool* otherUser = nullptr);

    // Where the first copy listens for "show" requests.
    const std::string& socketPath() const { return socketPath_; }

  private:
    struct Held;  // what keeps the lock, as the system has it
    InstanceLock(std::unique_ptr<Held> held, std::string socketPath);
    std::unique_ptr<Held> held_;
    std::string socketPath_;
};

// The per-user folder for the lock and the socket: $XDG_RUNTIME_DIR, else a
// private folder in /tmp owned by this user (mode 0700). Empty when no safe
// folder exists. On Windows: "\\.\pipe\velor-gaming-driver-<user SID>-<session>".
std::string instanceRuntimeFolder();

// The socket path a second copy connects to.
std::string instanceSocketPath(const std::string& runtimeFolder);

}  // namespace velor
