// A notice on the desktop: through the notification service on the session
// bus (org.freedesktop.Notifications), or as the tray icon's balloon where
// there is no such service.
#pragma once

#include <QDBusConnection>
#include <QString>

class QSystemTrayIcon;

namespace velor {

class DesktopNotifier {
  public:
    explicit DesktopNotifier(QSystemTrayIcon* tray,
                             QDBusConnection bus = QDBusConnection::sessionBus())
        : tray_(tray), bus_(std::move(bus)) {}
    void notify(const QString& title, const QString& body);

  private:
    QSystemTrayIcon* tray_;
    QDBusConnection bus_;
};

}  // namespace velor
