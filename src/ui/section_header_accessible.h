// The section boxes of the pages ("Profiles", "DPI", ...) are headers that
// open and close their sections: a screen reader hears a heading that can be
// expanded or collapsed, not a check box.
#pragma once

namespace velor {

// Once, after the application object exists.
void installSectionHeaderAccessibility();

}  // namespace velor
