#include "ui/corner_grip.h"

#include <QEvent>

namespace velor {

namespace {

constexpr int kGripSize = 14;  // logical pixels: the same reach at every scale

}  // namespace

CornerGrip::CornerGrip(QWidget* window) : QSizeGrip(window) {
    setObjectName(QStringLiteral("corner_grip"));
    setFixedSize(kGripSize, kGripSize);
    setCursor(Qt::SizeFDiagCursor);
    window->installEventFilter(this);
    placeInCorner();
}

bool CornerGrip::eventFilter(QObject* watched, QEvent* event) {
    // The skin's widgets are laid over the window after the grip was made:
    // it comes back on top whenever the window is resized or shown.
    if (watched == parent() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeInCorner();
    return QSizeGrip::eventFilter(watched, event);
}

void CornerGrip::placeInCorner() {
    const QWidget* window = parentWidget();
    move(window->width() - width(), window->height() - height());
    raise();
}

}  // namespace velor
