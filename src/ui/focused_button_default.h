// Enter in a window that has no default choice: the push button with the
// focus takes it, as in every dialog, and no other button stands in as the
// default, so Enter typed in a field (a name, a delay) presses nothing the
// user is not on, and no button looks (or reads to a screen reader) as if it
// would.
#pragma once

#include <QObject>

class QDialog;
class QWidget;

namespace velor {

class FocusedButtonDefault final : public QObject {
    Q_OBJECT
  public:
    // Its push buttons must exist already. Held by the dialog and ended
    // before the dialog's widgets are (their destruction moves the focus).
    explicit FocusedButtonDefault(QDialog& dialog);

  private:
    void follow(QWidget* focus);

    QDialog& dialog_;
};

}  // namespace velor
