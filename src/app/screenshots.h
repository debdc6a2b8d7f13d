// Pictures of the program's windows for reviewing the look: the main window
// and the four small windows, written as PNG files into a folder. Started by
// the environment variable VELOR_SCREENSHOTS=<folder>; with
// VELOR_SCREENSHOT_MAIN=<name> only the main window, as <name>.png.
#pragma once

#include <QString>

namespace velor {

class CMainWnd;
class KeyboardLayout;

// Schedules the pictures once the event loop runs, then quits the program.
void takeScreenshotsAndQuit(CMainWnd& window, const KeyboardLayout& keyboard,
                            const QString& folder, const QString& mainOnly = {});

}  // namespace velor
