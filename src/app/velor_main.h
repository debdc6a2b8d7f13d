// The process entry of velor: one copy per user, the main window, the loop.
#pragma once

namespace velor {

// Returns the exit code: 1 when another copy of this user is running, 2 when
// the main window's skin (main.xml) cannot be read.
int runVelor(int argc, char** argv);

}  // namespace velor
