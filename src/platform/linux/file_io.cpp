#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        fail(error, path, ec ? ec.message() : "not a readable file");
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        fail(error, path, ec.message());
        return std::nullopt;
    }
    if (size > maxBytes) {
        fail(error, path, "file is too large (" + std::to_string(size) + " bytes)");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        fail(error, path, "cannot be read");
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         FileError* error) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail(error, path, "cannot create a file in its folder: " + errnoText());

    // mkstemp makes the file private; a saved file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const std::string writeError = errnoText();
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        return fail(error, path, "cannot be written: " + writeError);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string renameError = errnoText();
        ::unlink(temp.c_str());
        return fail(error, path, "cannot be replaced: " + renameError);
    }
    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace velor
