#include "ui/combo_accessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

namespace velor {

namespace {

class ComboBox final : public QAccessibleWidget {
  public:
    explicit ComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo()->currentText();
        // The accessible name, else a label whose buddy it is.
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = isOpen();
        s.collapsed = !isOpen();
        s.editable = combo()->isEditable();
        return s;
    }
    // The list it opens, where a screen reader reads the entries.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->view() ? 0 : -1;
    }
    QStringList actionNames() const override {
        QStringList names{showMenuAction(), pressAction()};
        names << QAccessibleWidget::actionNames();
        return names;
    }
    // Opens the list, or closes it when open, as a click on the box does; a
    // choice made there reaches the window as a choice by mouse does.
    void doAction(const QString& name) override {
        if (name != showMenuAction() && name != pressAction())
            return QAccessibleWidget::doAction(name);
        if (!combo()->isEnabled()) return;
        QMetaObject::invokeMethod(
            combo(),
            [c = QPointer<QComboBox>(combo())] {
                if (c.isNull()) return;
                if (c->view()->isVisible())
                    c->hidePopup();
                else
                    c->showPopup();
            },
            Qt::QueuedConnection);
    }

  private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
    bool isOpen() const { return combo()->view() && combo()->view()->isVisible(); }
};

QAccessibleInterface* comboBoxes(const QString&, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    return combo ? new ComboBox(combo) : nullptr;
}

}  // namespace

void installComboBoxAccessibility() {
    QAccessible::installFactory(comboBoxes);
}

}  // namespace velor
