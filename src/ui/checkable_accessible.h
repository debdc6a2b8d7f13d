// Check boxes, option buttons and toggle buttons answer a screen reader's
// Toggle (or Press) as they answer a click, so every window acts the same
// whichever way the user changes them; the program's own setChecked still
// changes nothing.
#pragma once

namespace velor {

// Once, after the application object exists.
void installCheckableAccessibility();

}  // namespace velor
