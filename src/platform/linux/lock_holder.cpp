// Who holds a store lock, from the kernel's table of file locks: /proc/locks
// names each flock lock's file by device and inode, and the process that took
// it; /proc/<pid>/comm names that process.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/store_lock.h"

namespace velor {

namespace {

struct LockEntry {
    long pid = 0;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
};

// One line of /proc/locks ("1: FLOCK  ADVISORY  WRITE 1234 fe:00:10953501 0 EOF");
// nothing for a process still waiting for a lock ("1: -> FLOCK ...") or a line
// that does not read as expected.
std::optional<LockEntry> parseLockLine(const std::string& line) {
    std::istringstream in(line);
    std::string id, kind, mode, access, file;
    LockEntry e;
    if (!(in >> id >> kind) || kind == "->") return std::nullopt;
    if (!(in >> mode >> access >> e.pid >> file) || e.pid <= 0) return std::nullopt;
    const auto first = file.find(':');
    const auto second = file.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) return std::nullopt;
    char* end = nullptr;
    e.major = static_cast<unsigned>(std::strtoul(file.c_str(), &end, 16));
    e.minor = static_cast<unsigned>(std::strtoul(file.c_str() + first + 1, &end, 16));
    e.inode = std::strtoull(file.c_str() + second + 1, &end, 10);
    return e;
}

// Whether the process has the file open: where the device in the lock table
// is not the one stat gives (btrfs subvolumes), the inode alone could be a
// file of another file system.
bool hasOpen(long pid, const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, ec)) {
        std::error_code linkError;
        if (std::filesystem::equivalent(fd.path(), file, linkError)) return true;
    }
    return false;
}

std::string describe(long pid) {
    std::string name;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, name);
    const std::string process = "process " + std::to_string(pid);
    if (name == "velor") return "VELOR Gaming Driver (velor, " + process + ")";
    if (name.empty()) return process;
    return name + " (" + process + ")";
}

}  // namespace

std::string StoreLock::holderOf(const std::string& folder) {
    const std::filesystem::path file = std::filesystem::path(folder) / "store.lock";
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    std::ifstream locks("/proc/locks");
    std::optional<long> sameInode;
    for (std::string line; std::getline(locks, line);) {
        const auto e = parseLockLine(line);
        if (!e || e->inode != st.st_ino) continue;
        if (e->major == ::major(st.st_dev) && e->minor == ::minor(st.st_dev))
            return describe(e->pid);
        if (!sameInode && hasOpen(e->pid, file)) sameInode = e->pid;
    }
    return sameInode ? describe(*sameInode) : std::string();
}

}  // namespace velor
