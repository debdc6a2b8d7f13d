#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace velor {

// Through the notification service on the session bus
// (org.freedesktop.Notifications), or as the tray icon's balloon where the
// session has no such service.
void DesktopNotifier::notify(const QString& title, const QString& body) {
    QPointer<QSystemTrayIcon> tray(tray_);
    const auto balloon = [tray, title, body] {
        if (tray && QSystemTrayIcon::isSystemTrayAvailable()) tray->showMessage(title, body);
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return balloon();
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QStringLiteral("VELOR Gaming Driver") << 0u << QStringLiteral("io.velor.GamingDriver")
         << title << body << QStringList() << QVariantMap() << -1;
    // Asynchronous: the window never waits for the desktop.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [balloon](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         if (w->isError()) balloon();  // no notification service here
                     });
}

}  // namespace velor
