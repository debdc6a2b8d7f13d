// A notice on the desktop, told the way the system tells them (the tray
// icon's balloon wherever nothing better is there).
#pragma once

#include <QString>

#include <memory>

class QSystemTrayIcon;

namespace velor {

struct DesktopNotice {
    QString title;
    QString body;
    // Stays until the user dismisses it (a battery about to run out).
    bool critical = false;
    // Notices of one group replace each other rather than stack (a mouse's
    // slot: its 5 % notice takes the place of its 15 % one).
    int group = 0;
};

// What the desktop was told of each group (where the system keeps track).
struct NoticeGroups;

class DesktopNotifier {
  public:
    explicit DesktopNotifier(QSystemTrayIcon* tray) : tray_(tray) {}
    void notify(const DesktopNotice& notice);

  private:
    QSystemTrayIcon* tray_;
    // Shared with the replies still on their way.
    std::shared_ptr<NoticeGroups> groups_;
};

}  // namespace velor
