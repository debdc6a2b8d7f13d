// A profile store file kept open for reading its records where they lie, so
// that a list of thousands of profiles keeps only their names in memory. It
// stays readable while a save renames a new file over its path (Windows
// excepted: there the list lets it go around the rename).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <span>

namespace velor {

class StoreFile {
  public:
    // nullptr when the file cannot be opened.
    static std::shared_ptr<StoreFile> open(const std::filesystem::path& path);

    // Exactly into.size() bytes from offset; false when the file holds fewer.
    // Safe from any thread.
    bool read(std::uint64_t offset, std::span<std::uint8_t> into) const;

  private:
    mutable std::mutex lock_;
    mutable std::ifstream in_;
};

}  // namespace velor
