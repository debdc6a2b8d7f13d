#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velor {

struct InstanceLock::Held {
    int fd;
};

InstanceLock::InstanceLock(std::unique_ptr<Held> held, std::string socketPath)
    : held_(std::move(held)), socketPath_(std::move(socketPath)) {}

namespace {

constexpr const char* kBaseName = "velor-gaming-driver";

// A folder we may trust with the lock: a real directory (not a link), ours,
// and closed to everybody else.
bool privateFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 0077) == 0;
}

}  // namespace

std::string instanceRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        if (privateFolder(runtime)) return runtime;
    }
    const std::string folder = "/tmp/" + std::string(kBaseName) + "-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return privateFolder(folder) ? folder : std::string();
}

std::string instanceSocketPath(const std::string& runtimeFolder) {
    return runtimeFolder + "/" + kBaseName + ".sock";
}

// The folder is this user's alone: no other account's copy can hold its lock.
std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::string& runtimeFolder,
                                                    std::string* error, bool* otherUser) {
    if (otherUser) *otherUser = false;
    const std::string lockPath = runtimeFolder + "/" + kBaseName + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = lockPath + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Only a lock held elsewhere means another copy; anything else is an error.
        if (errno != EWOULDBLOCK && error) *error = lockPath + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(
        new InstanceLock(std::make_unique<Held>(Held{fd}), instanceSocketPath(runtimeFolder)));
}

InstanceLock::~InstanceLock() {
    ::unlink(socketPath_.c_str());
    ::close(held_->fd);  // releases the lock
}

}  // namespace velor
