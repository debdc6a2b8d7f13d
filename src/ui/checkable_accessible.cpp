#include "ui/checkable_accessible.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QRadioButton>

namespace velor {

namespace {

QAccessible::Role roleOf(const QAbstractButton* b) {
    if (qobject_cast<const QCheckBox*>(b)) return QAccessible::CheckBox;
    if (qobject_cast<const QRadioButton*>(b)) return QAccessible::RadioButton;
    return QAccessible::Button;  // checkable: a toggle button
}

class CheckableButton final : public QAccessibleWidget {
  public:
    explicit CheckableButton(QAbstractButton* b) : QAccessibleWidget(b, roleOf(b)) {}

    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) s = button()->text().remove(QLatin1Char('&'));
        return s;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        return s;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    // The click the user would make: its notification follows, and with it
    // whatever the window does for a click.
    void doAction(const QString& name) override {
        if (!button()->isEnabled()) return;
        if (name == toggleAction() || name == pressAction()) button()->click();
    }

  private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* checkables(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (button == nullptr || !button->isCheckable()) return nullptr;
    // The section boxes are headings of their own.
    if (button->property("class").toString() == QLatin1String("section")) return nullptr;
    return new CheckableButton(button);
}

}  // namespace

void installCheckableAccessibility() {
    QAccessible::installFactory(checkables);
}

}  // namespace velor
