#include "platform/read_only_file.h"

#include <windows.h>

#include <algorithm>

namespace velor {

namespace {

class Win32ReadOnlyFile final : public ReadOnlyFile {
  public:
    explicit Win32ReadOnlyFile(HANDLE file) : file_(file) {}
    ~Win32ReadOnlyFile() override { ::CloseHandle(file_); }

    // Each read names its own offset, so reads from several threads never
    // move one another's position.
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> into) const override {
        while (!into.empty()) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30));
            DWORD got = 0;
            if (!::ReadFile(file_, into.data(), want, &got, &at) || got == 0) return false;
            into = into.subspan(got);
            offset += got;
        }
        return true;
    }

  private:
    HANDLE file_;
};

}  // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::filesystem::path& path) {
    // Letting others delete and rename it too: a save (ours, or another
    // copy's) renames the new store over this one while we may still read.
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32ReadOnlyFile>(file);
}

}  // namespace velor
