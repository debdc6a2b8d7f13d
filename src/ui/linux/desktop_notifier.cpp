#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include <map>
#include <optional>
#include <utility>

namespace velor {

// Per group: the id the desktop gave its last notice, whether a notice is
// still on its way (its id not yet known), and the latest notice that came
// meanwhile. A notice sent before the one ahead of it has its id would carry
// no id to replace and stack beside it, so it waits; only the latest of those
// that wait is news.
struct NoticeGroups {
    struct Group {
        unsigned id = 0;
        bool sending = false;
        std::optional<DesktopNotice> waiting;
    };
    std::map<int, Group> byGroup;
};

namespace {

// The desktop notification service's urgency levels.
constexpr unsigned char kUrgencyNormal = 1;
constexpr unsigned char kUrgencyCritical = 2;

void balloon(const QPointer<QSystemTrayIcon>& tray, const DesktopNotice& notice) {
    if (!tray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray->showMessage(notice.title, notice.body,
                      notice.critical ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
}

// Through the notification service on the session bus
// (org.freedesktop.Notifications), or as the tray icon's balloon where the
// session has no such service.
void send(const std::shared_ptr<NoticeGroups>& groups, const QPointer<QSystemTrayIcon>& tray,
          const DesktopNotice& notice) {
    NoticeGroups::Group& group = groups->byGroup[notice.group];
    if (group.sending) {
        group.waiting = notice;
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return balloon(tray, notice);
    // The desktop-entry hint lets the desktop show our name and icon and
    // group our notices under the program.
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notice.critical ? kUrgencyCritical : kUrgencyNormal));
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QStringLiteral("VELOR Gaming Driver") << group.id
         << QStringLiteral("io.velor.GamingDriver") << notice.title << notice.body << QStringList()
         << hints << -1;
    group.sending = true;
    // Asynchronous: the window never waits for the desktop.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [groups, tray, notice](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         NoticeGroups::Group& sent = groups->byGroup[notice.group];
                         sent.sending = false;
                         const QDBusPendingReply<unsigned> reply = *w;
                         if (reply.isError())
                             balloon(tray, notice);  // no notification service here
                         else
                             sent.id = reply.value();
                         if (!sent.waiting) return;
                         const DesktopNotice next = *std::exchange(sent.waiting, std::nullopt);
                         send(groups, tray, next);
                     });
}

}  // namespace

void DesktopNotifier::notify(const DesktopNotice& notice) {
    if (!groups_) groups_ = std::make_shared<NoticeGroups>();
    send(groups_, QPointer<QSystemTrayIcon>(tray_), notice);
}

}  // namespace velor
