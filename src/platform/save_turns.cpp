#include "platform/save_turns.h"

#include "platform/file_io.h"

#include <map>
#include <memory>

namespace velor {

std::mutex& saveLockOf(const std::filesystem::path& file) {
    static std::mutex registry;
    static std::map<std::filesystem::path::string_type, std::unique_ptr<std::mutex>> locks;
    const std::lock_guard guard(registry);
    auto& lock = locks[file.lexically_normal().native()];
    if (!lock) lock = std::make_unique<std::mutex>();
    return *lock;
}

// Whole bytes in one piece: the same save on every system.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         FileError* error, NewFileAccess access, Clock& clock) {
    return writeFileAtomically(
        path, [bytes](const ByteWriter& write) { return write(bytes); },
        [](const ReplaceStep& step) { return step(); }, error, access, clock);
}

}  // namespace velor
