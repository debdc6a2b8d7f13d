#include "platform/store_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file_io.h"
#include "platform/store_lock_text.h"

namespace velor {

struct StoreLock::Held {
    int fd;
};

StoreLock::StoreLock(std::unique_ptr<Held> held) : held_(std::move(held)) {}

namespace {

std::string lockPath(const std::string& folder) {
    return (std::filesystem::path(folder) / "store.lock").string();
}

enum class Attempt { Taken, Held, Failed };

// One try without blocking: the descriptor holding the lock, or why not.
Attempt tryLock(const std::string& folder, int* fd, std::string* error) {
    makePrivateFolders(folder);
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

}  // namespace

StoreLock::~StoreLock() {
    ::close(held_->fd);  // releases the lock
}

std::unique_ptr<StoreLock> StoreLock::acquire(const std::string& folder, std::string* error,
                                              bool* held) {
    int fd = -1;
    const Attempt attempt = tryLock(folder, &fd, error);
    if (held) *held = attempt == Attempt::Held;
    switch (attempt) {
        case Attempt::Taken:
            return std::unique_ptr<StoreLock>(new StoreLock(std::make_unique<Held>(Held{fd})));
        case Attempt::Held:
            if (error) *error = storeInUseText(folder);
            return nullptr;
        case Attempt::Failed:
            break;
    }
    return nullptr;
}

}  // namespace velor
