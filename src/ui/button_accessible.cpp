#include "ui/button_accessible.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace velor {

bool blockedByModalWindow(const QWidget* control) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || control == nullptr) return false;
    // A control of the modal window, or of a popup opened from it, works.
    for (const QWidget* w = control->window(); w != nullptr; w = w->parentWidget())
        if (w == modal) return false;
    return true;
}

namespace {

constexpr const char* kShowOnly = "velorShowOnly";

bool isShowOnly(const QAbstractButton* b) {
    return b->property(kShowOnly).toBool();
}

}  // namespace

void makeShowOnly(QAbstractButton* button) {
    button->setProperty(kShowOnly, true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The theme draws it as the text it is.
    button->style()->unpolish(button);
    button->style()->polish(button);
}

namespace {

// The page's section boxes are headings that open and close what follows.
bool isSectionHeader(const QAbstractButton* b) {
    return b->property("class").toString() == QLatin1String("section");
}

QAccessible::Role roleOf(const QAbstractButton* b) {
    if (isShowOnly(b)) return QAccessible::StaticText;
    if (isSectionHeader(b)) return QAccessible::Heading;
    if (qobject_cast<const QCheckBox*>(b)) return QAccessible::CheckBox;
    // One of a group that excludes the others (the model tabs, the polling rates).
    if (qobject_cast<const QRadioButton*>(b) || (b->isCheckable() && b->autoExclusive()))
        return QAccessible::RadioButton;
    return QAccessible::Button;  // a push button, or checkable: a toggle button
}

class Button final : public QAccessibleWidget {
  public:
    explicit Button(QAbstractButton* b) : QAccessibleWidget(b) {}

    // Asked each time: the skin gives a control its class, and a button may
    // turn checkable, after a screen reader first saw it.
    QAccessible::Role role() const override { return roleOf(button()); }
    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) s = button()->text().remove(QLatin1Char('&'));
        return s;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (isShowOnly(button())) {
            s.readOnly = true;
            return s;
        }
        s.pressed = button()->isDown();
        if (isSectionHeader(button())) {
            s.expandable = true;
            s.expanded = button()->isChecked();
            s.collapsed = !button()->isChecked();
        } else if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
        }
        if (const QPushButton* p = pushButton()) {
            s.defaultButton = p->isDefault();
            s.hasPopup = p->menu() != nullptr;
        }
        return s;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (!button()->isEnabled() || isShowOnly(button())) return names;
        if (button()->isCheckable())
            names.prepend(toggleAction());
        else
            names.prepend(pushButton() && pushButton()->menu() ? showMenuAction() : pressAction());
        return names;
    }
    // The click the user would make: its notification follows, and with it
    // whatever the window does for a click. It is made once the screen
    // reader has its answer, since a click may run a modal window.
    void doAction(const QString& name) override {
        if (!button()->isEnabled() || isShowOnly(button()) || blockedByModalWindow(button()))
            return;
        if (name != toggleAction() && name != pressAction() && name != showMenuAction())
            return QAccessibleWidget::doAction(name);
        QMetaObject::invokeMethod(
            button(),
            [b = QPointer<QAbstractButton>(button())] {
                if (b.isNull()) return;
                if (auto* p = qobject_cast<QPushButton*>(b.data()); p && p->menu())
                    p->showMenu();
                else
                    b->click();
            },
            Qt::QueuedConnection);
    }

  private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
    QPushButton* pushButton() const { return qobject_cast<QPushButton*>(widget()); }
};

QAccessibleInterface* buttons(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    return button ? new Button(button) : nullptr;
}

}  // namespace

void installButtonAccessibility() {
    QAccessible::installFactory(buttons);
}

}  // namespace velor
