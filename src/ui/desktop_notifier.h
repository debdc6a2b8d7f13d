// A notice on the desktop, told the way the system tells them (the tray
// icon's balloon wherever nothing better is there).
#pragma once

#include <QString>

class QSystemTrayIcon;

namespace velor {

class DesktopNotifier {
  public:
    explicit DesktopNotifier(QSystemTrayIcon* tray) : tray_(tray) {}
    // Each notice stands on its own: none replaces an earlier one.
    void notify(const QString& title, const QString& body);

  private:
    QSystemTrayIcon* tray_;
};

}  // namespace velor
