#include "ui/section_header_accessible.h"

#include <QAbstractButton>
#include <QAccessibleWidget>

namespace velor {

namespace {

class SectionHeader final : public QAccessibleWidget {
  public:
    explicit SectionHeader(QWidget* w) : QAccessibleWidget(w, QAccessible::Heading) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = button()->isChecked();
        s.collapsed = !button()->isChecked();
        return s;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction()) button()->click();
    }

  private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* sectionHeaders(const QString& className, QObject* object) {
    if (className != QLatin1String("QCheckBox") || !object->isWidgetType()) return nullptr;
    if (object->property("class").toString() != QLatin1String("section")) return nullptr;
    return new SectionHeader(static_cast<QWidget*>(object));
}

}  // namespace

void installSectionHeaderAccessibility() {
    QAccessible::installFactory(sectionHeaders);
}

}  // namespace velor
