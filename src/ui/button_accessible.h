// Buttons as a screen reader acts on them: check boxes, option buttons and
// toggle buttons answer Toggle (or Press) as they answer a click, push
// buttons answer Press, and the page's section boxes are headings that
// expand, so every window acts the same whichever way the user works it; the
// program's own setChecked still changes nothing. A control behind an open
// modal window does nothing, as a click on it would not. A button made to
// only show something is read as text and offers nothing to press.
#pragma once

class QAbstractButton;
class QWidget;

namespace velor {

// Once, after the application object exists.
void installButtonAccessibility();

// Makes a button show its text and nothing more: no Tab stop, no click, no
// press for a screen reader, which reads it as static text.
void makeShowOnly(QAbstractButton* button);

// True while a modal window other than the control's own (or one it opened)
// blocks it.
bool blockedByModalWindow(const QWidget* control);

}  // namespace velor
