#include "ui/popup_menu_accessible.h"

#include <QAccessibleObject>
#include <QApplication>
#include <QMenu>

namespace velor {

namespace {

class ApplicationWithMenus final : public QAccessibleApplication {
  public:
    int childCount() const override {
        return QAccessibleApplication::childCount() + static_cast<int>(openMenus().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleApplication::childCount();
        if (index < own) return QAccessibleApplication::child(index);
        const QList<QMenu*> menus = openMenus();
        const int k = index - own;
        return k < menus.size() ? QAccessible::queryAccessibleInterface(menus[k]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (const int i = QAccessibleApplication::indexOfChild(child); i >= 0) return i;
        const int k = child ? static_cast<int>(openMenus().indexOf(child->object())) : -1;
        return k < 0 ? -1 : QAccessibleApplication::childCount() + k;
    }

  private:
    static QList<QMenu*> openMenus() {
        QList<QMenu*> menus;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->isVisible()) menus << menu;
        return menus;
    }
};

QAccessibleInterface* application(const QString& className, QObject* object) {
    if (object != qApp || className != QLatin1String("QApplication")) return nullptr;
    return new ApplicationWithMenus;
}

}  // namespace

void installPopupMenuAccessibility() {
    QAccessible::installFactory(application);
}

}  // namespace velor
