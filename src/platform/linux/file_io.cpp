#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "platform/save_turns.h"

namespace velor {

namespace {

bool fail(FileError* error, const std::filesystem::path& path, const std::string& what) {
    if (error) error->message = path.string() + ": " + what;
    return false;
}

std::string errnoText() {
    return std::strerror(errno);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes, FileError* error) {
    // Opened without waiting and checked on the open file itself: a named pipe
    // or device put where a file should be never blocks the reader, even when
    // it replaces the file between a check and the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int why = errno;
        fail(error, path, errnoText());
        if (error) error->outOfDescriptors = why == EMFILE || why == ENFILE;
        return std::nullopt;
    }
    const std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* f) {
        ::close(*f);
        delete f;
    });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(error, path, "it is not a regular file");
        return std::nullopt;
    }
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    if (size > maxBytes) {
        fail(error, path, "file is too large (" + std::to_string(size) + " bytes)");
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(error, path, "cannot be read");
            return std::nullopt;
        }
        got += static_cast<std::size_t>(n);
    }
    return bytes;
}

namespace {

constexpr int kMaxLinks = 40;
constexpr std::size_t kTempSuffix = 6;

// The file a path finally names, following symlinks (a dangling one names
// the file it would create).
std::filesystem::path throughLinks(std::filesystem::path path) {
    std::error_code ec;
    for (int hop = 0; hop < kMaxLinks && std::filesystem::is_symlink(path, ec); ++hop) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

std::string tempPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".";
}

// A new temporary file beside `file`, created with `mode` (the kernel
// applies the process umask to it); -1 when none can be made.
int createTemp(const std::filesystem::path& file, std::string& name, mode_t mode) {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(kTempSuffix, ' ');
        for (char& c : suffix) c = kChars[pick(random)];
        name = (folder / (tempPrefix(file) + suffix)).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(const ByteWriter&)>& contents,
                         const std::function<bool(const ReplaceStep&)>& replacing, FileError* error,
                         NewFileAccess access, Clock&) {
    const std::filesystem::path file = throughLinks(path);
    const std::lock_guard turn(saveLockOf(file));
    std::string temp;
    const int fd = createTemp(file, temp, access == NewFileAccess::ownerOnly ? 0600 : 0666);
    if (fd < 0) return fail(error, path, "cannot create a file in its folder: " + errnoText());

    // The file replaced keeps its mode and, where we may, its owner.
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd, old.st_uid, old.st_gid);
    }

    const bool written =
        contents([fd](std::span<const std::uint8_t> piece) { return writeAll(fd, piece); }) &&
        ::fsync(fd) == 0;
    const std::string writeError = errnoText();
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        return fail(error, path, "cannot be written: " + writeError);
    }
    std::string renameError;
    const bool replaced = replacing([&] {
        if (::rename(temp.c_str(), file.c_str()) == 0) return true;
        renameError = errnoText();
        return false;
    });
    if (!replaced) {
        ::unlink(temp.c_str());
        return fail(error, path, "cannot be replaced: " + renameError);
    }
    // Make the rename itself durable.
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool patchFileInPlace(const std::filesystem::path& path, std::uint64_t size,
                      std::span<const FilePatch> patches, FileError* error) {
    const std::filesystem::path file = throughLinks(path);
    const std::lock_guard turn(saveLockOf(file));
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return fail(error, path, "cannot be opened for writing: " + errnoText());
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != size) {
        ::close(fd);
        return fail(error, path, ok ? "it changed since it was read" : errnoText());
    }
    for (const FilePatch& patch : patches) {
        std::span<const std::uint8_t> left = patch.bytes;
        auto at = static_cast<off_t>(patch.offset);
        while (ok && !left.empty()) {
            const ssize_t n = ::pwrite(fd, left.data(), left.size(), at);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) {
                left = left.subspan(static_cast<std::size_t>(n));
                at += n;
            }
        }
    }
    ok = ok && ::fdatasync(fd) == 0;
    const std::string why = errnoText();
    if (::close(fd) != 0 || !ok) return fail(error, path, "cannot be written: " + why);
    return true;
}

bool makePrivateFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(folder, ec)) return !folder.empty();
    const std::filesystem::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && !makePrivateFolders(parent)) return false;
    // Another process may make it at the same moment: what counts is that it is there.
    ::mkdir(folder.c_str(), 0700);
    return std::filesystem::is_directory(folder, ec);
}

void removeCutOffSaves(const std::filesystem::path& path) {
    const std::filesystem::path file = throughLinks(path);
    const std::lock_guard turn(saveLockOf(file));
    const std::string prefix = tempPrefix(file);
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + kTempSuffix && name.starts_with(prefix) &&
            entry.is_regular_file(ec) && !entry.is_symlink(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace velor
