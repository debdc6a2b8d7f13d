#include "ui/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace velor {

void DesktopNotifier::notify(const QString& title, const QString& body) {
    QPointer<QSystemTrayIcon> tray(tray_);
    const auto balloon = [tray, title, body] {
        if (tray && QSystemTrayIcon::isSystemTrayAvailable()) tray->showMessage(title, body);
    };
    if (!bus_.isConnected()) return balloon();
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify");
    call << QStringLiteral("VELOR Gaming Driver") << 0u
         << QStringLiteral("io.velor.GamingDriver") << title << body << QStringList()
         << QVariantMap() << -1;
    // Asynchronous: the window never waits for the desktop.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [balloon](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         if (w->isError()) balloon();  // no notification service here
                     });
}

}  // namespace velor
