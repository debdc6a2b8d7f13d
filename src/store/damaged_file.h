// A damaged store file is never overwritten silently: before anything replaces
// it, a copy is kept beside it as "<name>.damaged-<hash of its content>".
#pragma once

#include <filesystem>
#include <string>

namespace velor {

// The copy's path, or empty (with the reason) when no copy could be made.
std::filesystem::path keepDamagedCopy(const std::filesystem::path& file, std::string* error);

}  // namespace velor
