#include "skin/skinned_dialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "skin/resource_file.h"

namespace velor {

SkinnedDialog::SkinnedDialog(QWidget* parent, LanguageTexts& texts, QString skinFolder)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      skin_(this, texts),
      skinFolder_(std::move(skinFolder)) {
    setModal(true);
    skin_.setHandler([this](const Notification& n) { onNotify(n); });
}

bool SkinnedDialog::create() {
    if (created_) return true;
    setObjectName(className());
    QString error;
    if (!skin_.load(skinFolder_, skinFile(), &error)) {
        // Without its skin the window cannot say so itself.
        printDamagedFile(error);
        showPlainNotice(parentWidget(),
                        damagedFileText(skin_.texts(), skinFolder_ + skinFile(), error));
        return false;
    }
    created_ = true;
    initWindow();
    return true;
}

int SkinnedDialog::showModal() {
    if (!create()) return 0;
    return exec() == QDialog::Accepted ? 1 : 0;
}

void SkinnedDialog::centerOverParent() {
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area = over && over->isVisible() ? over->frameGeometry() : QRect();
    if (area.isEmpty()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
    }
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void SkinnedDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        return;
    }
    QDialog::mousePressEvent(event);
}

}  // namespace velor
