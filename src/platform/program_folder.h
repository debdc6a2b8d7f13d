// The folder of the running executable, ending with the path separator.
// Libraries and resources are loaded from it.
#pragma once

#include <string>

namespace velor {

std::string GetProgramFolder();

// The full path of the running executable.
std::string GetProgramPath();

}  // namespace velor
