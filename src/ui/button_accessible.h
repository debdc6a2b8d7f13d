// Buttons as a screen reader acts on them: check boxes, option buttons and
// toggle buttons answer Toggle (or Press) as they answer a click, push
// buttons answer Press, and the page's section boxes are headings that
// expand, so every window acts the same whichever way the user works it; the
// program's own setChecked still changes nothing. A control behind an open
// modal window does nothing, as a click on it would not.
#pragma once

class QWidget;

namespace velor {

// Once, after the application object exists.
void installButtonAccessibility();

// True while a modal window other than the control's own (or one it opened)
// blocks it.
bool blockedByModalWindow(const QWidget* control);

}  // namespace velor
