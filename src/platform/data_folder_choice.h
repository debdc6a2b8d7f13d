// Which data folder a tool that only reads takes, the same on every system:
// the preferred one where it exists, else the program folder's fallback where
// that exists (or nothing is preferred), else the preferred one.
#pragma once

#include <functional>
#include <string>

namespace velor {

std::string chooseExistingFolder(const std::string& preferred, const std::string& fallback,
                                 const std::function<bool(const std::string&)>& isFolder);

}  // namespace velor
