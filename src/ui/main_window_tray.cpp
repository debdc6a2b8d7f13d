// The tray's view of the mice: each connected mouse with its battery and
// current profile, a submenu to choose its profile, and the batteries in the
// tooltip.
#include "ui/main_window.h"

#include "skin/skin_menu.h"
#include "ui/png_file.h"

namespace velor {

QIcon programIcon(const QString& skinFolder) {
    const QImage image = readPngFile(skinFolder + QStringLiteral("velor.png"));
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QIcon themedProgramIcon(const QString& skinFolder) {
    return QIcon::fromTheme(QStringLiteral("io.velor.GamingDriver"), programIcon(skinFolder));
}

// The icon is made even when the desktop has no tray yet: a tray that
// appears later (a login that starts the program before the panel) takes it.
void CMainWnd::createTray() {
    tray_ = std::make_unique<QSystemTrayIcon>(icon_);
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->setAccessibleName(QString::fromLatin1(kClassName));  // what a screen reader says
    // The menu is read afresh from its skin file every time it opens.
    connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this] {
        fillMenu(
            *trayMenu_, services_.skinFolder + "traymenu.xml", texts_,
            [this](const QString& item) { messages_.postMenuCommand(kMenuCommandMessage, item); });
        addMiceToTrayMenu();
    });
    fillMenu(*trayMenu_, services_.skinFolder + "traymenu.xml", texts_,
             [this](const QString& item) { messages_.postMenuCommand(kMenuCommandMessage, item); });
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                if (r == QSystemTrayIcon::Trigger) messages_.post(kTrayMessage, 0, kLeftButtonUp);
            });
    tray_->show();
}

QString CMainWnd::trayLine(int slot, const DevicePage::TrayView& view) const {
    const QString mouse = QStringLiteral("MS-%1").arg(slot);
    const QString profile = QString::fromStdU16String(view.currentName);
    if (view.charging) return texts_.get("tray_mouse_charging_text").arg(mouse, profile);
    if (view.battery)
        return texts_.get("tray_mouse_battery_text").arg(mouse).arg(*view.battery).arg(profile);
    return texts_.get("tray_mouse_text").arg(mouse, profile);
}

void CMainWnd::addMiceToTrayMenu() {
    trayMice_.clear();
    QAction* first = trayMenu_->actions().isEmpty() ? nullptr : trayMenu_->actions().first();
    for (int slot = 1; slot <= kPageCount; ++slot) {
        const auto view = page(slot).trayView(true);
        if (!view) continue;
        const QString line = trayLine(slot, *view);
        auto& sub = trayMice_.emplace_back(std::make_unique<QMenu>(line));
        sub->setAccessibleName(line);  // a screen reader names the open submenu by it
        for (std::size_t i = 0; i < view->profiles.size(); ++i) {
            QAction* choice = sub->addAction(QString::fromStdU16String(view->profiles[i]));
            choice->setCheckable(true);
            choice->setChecked(static_cast<int>(i) == view->current);
            connect(choice, &QAction::triggered, this, [this, slot, name = view->profiles[i]] {
                page(slot).chooseProfile(name);
                updateTrayToolTip();
            });
        }
        trayMenu_->insertMenu(first, sub.get());
    }
    if (!trayMice_.empty()) trayMenu_->insertSeparator(first);
}

void CMainWnd::updateTrayToolTip() {
    if (!tray_) return;
    QStringList lines{QString::fromLatin1(kClassName)};
    for (int slot = 1; slot <= kPageCount; ++slot)
        if (const auto view = page(slot).trayView(false)) lines << trayLine(slot, *view);
    tray_->setToolTip(lines.join(QLatin1Char('\n')));
}

}  // namespace velor
