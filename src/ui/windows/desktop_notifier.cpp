#include "ui/desktop_notifier.h"

#include <QSystemTrayIcon>

namespace velor {

// Windows shows a tray icon's message as a notification of its own (a toast
// since Windows 10): no other service is needed. With no tray there is no
// one to tell, as on a Linux desktop without either.
void DesktopNotifier::notify(const QString& title, const QString& body) {
    if (tray_ && QSystemTrayIcon::isSystemTrayAvailable()) tray_->showMessage(title, body);
}

}  // namespace velor
