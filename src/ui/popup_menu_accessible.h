// Popup menus (a button's function menu, the tray menu) are windows of their
// own that Qt leaves out of the application's accessible children, so a
// screen reader walking the program never finds them. While one is open it
// is listed beside the program's windows, with its menu role and its items.
#pragma once

namespace velor {

// Once, after the application object exists and before any accessibility
// client asks for the program.
void installPopupMenuAccessibility();

}  // namespace velor
