#include "store/damaged_file.h"

#include <cstdio>

#include "platform/file_io.h"

namespace velor {

namespace {

// Damaged files the program would read are far below this.
constexpr std::uintmax_t kLargestCopy = std::uintmax_t{1} << 31;

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const std::uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
    return h;
}

}  // namespace

// Named by its content, so a file damaged the same way is kept once however
// often it is loaded; written like any save, so a copy that fails leaves nothing.
std::filesystem::path keepDamagedCopy(const std::filesystem::path& file, std::string* error) {
    FileError readError;
    const auto bytes = readWholeFile(file, kLargestCopy, &readError);
    if (!bytes) {
        if (error) *error = readError.message;
        return {};
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(*bytes)));
    std::filesystem::path copy = file;
    copy += std::string(".damaged-") + hash;
    std::error_code ec;
    if (std::filesystem::file_size(copy, ec) == bytes->size() && !ec) return copy;
    FileError writeError;
    if (writeFileAtomically(copy, *bytes, &writeError)) return copy;
    if (error) *error = writeError.message;
    return {};
}

}  // namespace velor
