#include "platform/save_turns.h"

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

}  // namespace velor
