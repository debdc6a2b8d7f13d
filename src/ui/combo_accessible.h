// Combo boxes as a screen reader names them: by their accessible name (a
// label's text, kept in the language shown), with the entry chosen as their
// value. Qt's own view of a combo box on Linux gives the chosen entry as the
// name too, so "English" was heard where "Language" was meant.
#pragma once

namespace velor {

// Once, after the application object exists.
void installComboBoxAccessibility();

}  // namespace velor
