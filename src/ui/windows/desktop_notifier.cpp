#include "ui/desktop_notifier.h"

#include <QSystemTrayIcon>

namespace velor {

// Windows shows a tray icon's message as a notification of its own (a toast
// since Windows 10): no other service is needed, and a newer message takes
// the place of the one before. With no tray there is no one to tell, as on a
// Linux desktop without either.
void DesktopNotifier::notify(const DesktopNotice& notice) {
    if (!tray_ || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_->showMessage(notice.title, notice.body,
                       notice.critical ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
}

}  // namespace velor
