#include "ui/focused_button_default.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>

namespace velor {

FocusedButtonDefault::FocusedButtonDefault(QDialog& dialog) : dialog_(dialog) {
    // A focused autoDefault button takes Enter itself.
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) b->setAutoDefault(true);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

// Qt makes a button the window's default when it is shown and whenever the
// focus leaves a button; only the focused one may be, so Enter that a field,
// a list or a check box leaves unused finds no button to press.
void FocusedButtonDefault::follow(QWidget* focus) {
    for (QPushButton* b : dialog_.findChildren<QPushButton*>())
        if (b->isDefault() != (b == focus)) b->setDefault(b == focus);
}

}  // namespace velor
