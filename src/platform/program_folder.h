// The folder of the running executable, ending with the path separator.
// Libraries and resources are loaded from it.
#pragma once

#include <string>

namespace velor {

std::string GetProgramFolder();

// The full path of the running executable.
std::string GetProgramPath();

// Where the skins, language files and theme lie (ending with "res/"), and
// where the feature-device libraries lie: beside the executable as the build
// tree has them, else where the install put them relative to it
// (share/velor/res/ and lib/velor/).
std::string GetResourceFolder();
std::string GetLibraryFolder();

}  // namespace velor
