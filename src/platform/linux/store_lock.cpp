#include "platform/store_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace velor {

StoreLock::~StoreLock() {
    ::close(fd_);  // releases the lock
}

std::unique_ptr<StoreLock> StoreLock::acquire(const std::string& folder, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = (std::filesystem::path(folder) / "store.lock").string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        if (error)
            *error = why == EWOULDBLOCK ? "the profiles in " + folder + " are in use by another program"
                                        : "cannot lock " + path + ": " + std::strerror(why);
        return nullptr;
    }
    return std::unique_ptr<StoreLock>(new StoreLock(fd));
}

}  // namespace velor
