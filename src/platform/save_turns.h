// What saves do alike on every system. Saves of one file in this process take turns, and so does
// the clean-up of what cut-off saves left beside it; saves of different files run side by side.
#pragma once

#include <filesystem>
#include <mutex>

namespace velor {

std::mutex& saveLockOf(const std::filesystem::path& file);

}  // namespace velor
