#include "platform/read_only_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace velor {

namespace {

class PosixReadOnlyFile final : public ReadOnlyFile {
  public:
    explicit PosixReadOnlyFile(int fd) : fd_(fd) {}
    ~PosixReadOnlyFile() override { ::close(fd_); }

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> into) const override {
        while (!into.empty()) {
            const ssize_t n = ::pread(fd_, into.data(), into.size(), static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            into = into.subspan(static_cast<std::size_t>(n));
            offset += static_cast<std::uint64_t>(n);
        }
        return true;
    }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixReadOnlyFile>(fd);
}

}  // namespace velor
