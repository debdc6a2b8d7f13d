#include "platform/store_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace velor {

namespace {

// How often a held lock is tried again while waiting for it.
constexpr Millis kRetryEvery{50};

std::string lockPath(const std::string& folder) {
    return (std::filesystem::path(folder) / "store.lock").string();
}

enum class Attempt { Taken, Held, Failed };

// One try without blocking: the descriptor holding the lock, or why not.
Attempt tryLock(const std::string& folder, int* fd, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = lockPath(folder);
    *fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (*fd < 0) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return Attempt::Failed;
    }
    if (::flock(*fd, LOCK_EX | LOCK_NB) == 0) return Attempt::Taken;
    const int why = errno;
    ::close(*fd);
    *fd = -1;
    if (why == EWOULDBLOCK) return Attempt::Held;
    if (error) *error = "cannot lock " + path + ": " + std::strerror(why);
    return Attempt::Failed;
}

std::string inUse(const std::string& folder) {
    const std::string holder = StoreLock::holderOf(folder);
    return "the profiles in " + folder + " are in use by " +
           (holder.empty() ? std::string("another program") : holder);
}

}  // namespace

StoreLock::~StoreLock() {
    ::close(fd_);  // releases the lock
}

std::unique_ptr<StoreLock> StoreLock::acquire(const std::string& folder, std::string* error,
                                              bool* held) {
    int fd = -1;
    const Attempt attempt = tryLock(folder, &fd, error);
    if (held) *held = attempt == Attempt::Held;
    switch (attempt) {
        case Attempt::Taken:
            return std::unique_ptr<StoreLock>(new StoreLock(fd));
        case Attempt::Held:
            if (error) *error = inUse(folder);
            return nullptr;
        case Attempt::Failed:
            break;
    }
    return nullptr;
}

std::unique_ptr<StoreLock> StoreLock::acquireWaiting(const std::string& folder, Clock& clock,
                                                     Millis patience, std::string* error) {
    const Millis giveUpAt = clock.now() + patience;
    for (;;) {
        int fd = -1;
        const Attempt attempt = tryLock(folder, &fd, error);
        if (attempt == Attempt::Taken) return std::unique_ptr<StoreLock>(new StoreLock(fd));
        if (attempt == Attempt::Failed) return nullptr;
        if (clock.now() >= giveUpAt) break;
        clock.sleepFor(std::min(kRetryEvery, giveUpAt - clock.now()));
    }
    if (error) *error = inUse(folder);
    return nullptr;
}

}  // namespace velor
