// What the window's first pixels do not need, done once they are up.
#include "ui/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

namespace velor {

// Waits for the first paint (or, when the window starts in the tray, for the
// loop to turn): the pages of connected mice other than the one shown, the
// theme's icon, and the pages' checks of the profiles their stores were
// opened on.
void CMainWnd::afterFirstPaint() {
    if (std::exchange(painted_, true)) return;
    QTimer::singleShot(0, this, [this] {
        for (int n = 1; n <= kPageCount; ++n)
            if (page(n).connected()) page(n).build();
        const QIcon icon = themedProgramIcon(services_.skinFolder);
        QApplication::setWindowIcon(icon);
        setWindowIcon(icon);
        if (tray_) tray_->setIcon(icon);
        for (const auto& p : pages_)
            if (p) p->windowPainted();
    });
}

bool CMainWnd::event(QEvent* event) {
    if (event->type() == QEvent::Paint) afterFirstPaint();
    return QWidget::event(event);
}

}  // namespace velor
