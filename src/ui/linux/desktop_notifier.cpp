#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace velor {

namespace {

// The desktop notification service's urgency levels.
constexpr unsigned char kUrgencyNormal = 1;
constexpr unsigned char kUrgencyCritical = 2;

}  // namespace

// Through the notification service on the session bus
// (org.freedesktop.Notifications), or as the tray icon's balloon where the
// session has no such service.
void DesktopNotifier::notify(const DesktopNotice& notice) {
    QPointer<QSystemTrayIcon> tray(tray_);
    const auto balloon = [tray, notice] {
        if (!tray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
        tray->showMessage(
            notice.title, notice.body,
            notice.critical ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return balloon();
    // The desktop-entry hint lets the desktop show our name and icon and
    // group our notices under the program.
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notice.critical ? kUrgencyCritical : kUrgencyNormal));
    const auto previous = shown_->find(notice.group);
    const unsigned replaces = previous == shown_->end() ? 0u : previous->second;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QStringLiteral("VELOR Gaming Driver") << replaces
         << QStringLiteral("io.velor.GamingDriver") << notice.title << notice.body << QStringList()
         << hints << -1;
    // Asynchronous: the window never waits for the desktop.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [balloon, shown = shown_, group = notice.group](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusPendingReply<unsigned> reply = *w;
                         if (reply.isError()) return balloon();  // no notification service here
                         (*shown)[group] = reply.value();
                     });
}

}  // namespace velor
