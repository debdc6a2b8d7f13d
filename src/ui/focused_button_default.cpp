#include "ui/focused_button_default.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

namespace velor {

FocusedButtonDefault::FocusedButtonDefault(QDialog& dialog) : dialog_(dialog) {
    // A focused autoDefault button takes Enter itself.
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) b->setAutoDefault(true);
    dialog.installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

// Qt makes a button the window's default when it is shown and whenever the
// focus leaves a button; only the focused one may be.
void FocusedButtonDefault::follow(QWidget* focus) {
    for (QPushButton* b : dialog_.findChildren<QPushButton*>())
        if (b->isDefault() != (b == focus)) b->setDefault(b == focus);
}

bool FocusedButtonDefault::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &dialog_ && event->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] { follow(QApplication::focusWidget()); });
    // Enter that a field, a list or a check box left unused ends here, not
    // on whichever button Qt would take for the default.
    if (watched == &dialog_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velor
