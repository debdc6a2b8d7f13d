#include "store/store_file.h"

namespace velor {

std::shared_ptr<StoreFile> StoreFile::open(const std::filesystem::path& path) {
    auto file = std::make_shared<StoreFile>();
    // Unbuffered: a name read where it lies costs its own bytes, not a
    // buffer's worth, and a record goes straight into place.
    file->in_.rdbuf()->pubsetbuf(nullptr, 0);
    file->in_.open(path, std::ios::binary);
    if (!file->in_) return nullptr;
    return file;
}

bool StoreFile::read(std::uint64_t offset, std::span<std::uint8_t> into) const {
    const std::lock_guard guard(lock_);
    in_.clear();
    return static_cast<bool>(in_.seekg(static_cast<std::streamoff>(offset))) &&
           static_cast<bool>(in_.read(reinterpret_cast<char*>(into.data()),
                                      static_cast<std::streamsize>(into.size())));
}

}  // namespace velor
