// The main window's keys: Enter presses the focused push button (a window
// that is no dialog has no default button, so Qt gives Enter to nobody), and
// Ctrl+Q quits the program from the window.
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

#include "ui/main_window.h"

namespace velor {

void CMainWnd::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && button && button->isEnabled()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CMainWnd::addQuitShortcut() {
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, [this] { onMenuCommand(QStringLiteral("exit")); });
}

}  // namespace velor
