// The main window's keys: Enter presses the focused push button (a window
// that is no dialog has no default button, so Qt gives Enter to nobody), and
// Ctrl+Q quits the program from the window, the stores written first.
#include <QApplication>
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

// The stores are written before anything ends: a mouse busy with a send, or
// a teardown that fails, costs nothing the user chose.
void CMainWnd::quit() {
    storePages();
    close();
    QApplication::quit();
}

void CMainWnd::storePages() {
    for (const auto& p : pages_)
        if (p) p->storeNow();
}

}  // namespace velor
