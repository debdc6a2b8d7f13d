// A file kept open for reading at any offset, one call per read; it stays
// readable when another file is renamed over its path (Windows refuses that
// rename while it is open). Closed when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace velor {

class ReadOnlyFile {
  public:
    // nullptr when the file cannot be opened.
    static std::unique_ptr<ReadOnlyFile> open(const std::filesystem::path& path);
    virtual ~ReadOnlyFile() = default;
    // Exactly into.size() bytes from offset; false when the file holds fewer
    // or cannot be read. Safe from any thread.
    virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> into) const = 0;
};

}  // namespace velor
