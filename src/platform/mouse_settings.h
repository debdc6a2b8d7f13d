// Opens the desktop's own mouse settings; false when no known one is there.
#pragma once

namespace velor {

bool openMouseSettings();

}  // namespace velor
