#include "ui/hook_capture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "ui/virtual_keys.h"

namespace velor {

HookCapture::HookCapture(const KeyboardLayout* layout, QObject* parent)
    : QObject(parent), layout_(layout) {}

HookCapture::~HookCapture() {
    if (filtering_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

HookTable HookCapture::table() {
    HookTable t;
    t.installmousehook = [this](MessagePoster* window) {
        mouseWindow_ = window;
        updateFilter();
    };
    t.removemousehook = [this] {
        mouseWindow_ = nullptr;
        mouseEnabled_ = false;
        updateFilter();
    };
    t.enablemousehook = [this](int on) { mouseEnabled_ = on != 0; };
    // Installing the keyboard hook installs the mouse hook for the same
    // window too, but mouse reporting waits for enablemousehook(1): a window
    // that only captures keys (the shortcut window) must not get the clicks
    // on its own buttons as keys.
    t.installhook = [this](MessagePoster* window) {
        keyboardWindow_ = window;
        repeats_.reset();
        mouseWindow_ = window;
        mouseEnabled_ = false;
        updateFilter();
    };
    t.removehook = [this] {
        if (mouseWindow_ == keyboardWindow_) {
            mouseWindow_ = nullptr;
            mouseEnabled_ = false;
        }
        keyboardWindow_ = nullptr;
        keyboardEnabled_ = false;
        repeats_.reset();
        updateFilter();
    };
    t.enablehook = [this](int on) { keyboardEnabled_ = on != 0; };
    t.mousewheelenable = [this](int on) { wheelEnabled_ = on != 0; };
    return t;
}

void HookCapture::updateFilter() {
    const bool wanted = keyboardWindow_ != nullptr || mouseWindow_ != nullptr;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || wanted == filtering_) return;
    if (wanted) {
        app->installEventFilter(this);
    } else {
        app->removeEventFilter(this);
    }
    filtering_ = wanted;
}

void HookCapture::postKey(const KeyRepeatFilter::Edge& edge) {
    if (keyboardWindow_ && keyboardEnabled_)
        keyboardWindow_->post(kHookEventMessage, edge.key, edge.press ? 0 : 1);
}

void HookCapture::flushRelease() {
    flushQueued_ = false;
    if (const auto release = repeats_.flush()) postKey(*release);
}

bool HookCapture::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A key let go while another application had the keyboard never comes
    // up here: its next press is a new one, not a repeat.
    if (type == QEvent::ApplicationStateChange) {
        flushRelease();
        repeats_.reset();
    }
    // A key event reaches the filter once for every object it travels
    // through; only its first stop, the focus widget, counts.
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && keyboardEnabled_ &&
        keyboardWindow_) {
        auto* key = static_cast<QKeyEvent*>(event);
        QObject* first = QApplication::focusWidget();
        if (first == nullptr) first = QApplication::activeWindow();
        const std::uint32_t vk =
            virtualKeyOf(key->key(), key->nativeScanCode(), key->nativeVirtualKey(), layout_);
        if (watched == first && vk != 0) {
            // A key held is one press and one release, whatever its repeats.
            for (const KeyRepeatFilter::Edge& edge :
                 repeats_.take(vk, type == QEvent::KeyPress, key->timestamp(), key->isAutoRepeat()))
                postKey(edge);
            // A release held back goes once the events delivered with it
            // are through, unless the press of a repeat came among them.
            if (repeats_.holding() && !flushQueued_) {
                flushQueued_ = true;
                QTimer::singleShot(0, this, [this] { flushRelease(); });
            }
            // Captured keys (Escape too: it can be put on a button or into a
            // macro) do not also type, move the focus or close the window;
            // the window closes with its own button.
            return true;
        }
    }
    // The Menu key is captured like any other; the context menu it would
    // also open would take the keyboard and the next click.
    if (type == QEvent::ContextMenu && keyboardEnabled_ && keyboardWindow_ &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
        return true;
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) && mouseEnabled_ &&
        mouseWindow_ && watched->isWindowType()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool down = type == QEvent::MouseButtonPress;
        switch (mouse->button()) {
            case Qt::LeftButton:
                mouseWindow_->post(kHookEventMessage,
                                   down ? mouse_message::kLeftDown : mouse_message::kLeftUp, 0);
                break;
            case Qt::RightButton:
                mouseWindow_->post(kHookEventMessage,
                                   down ? mouse_message::kRightDown : mouse_message::kRightUp, 0);
                break;
            case Qt::MiddleButton:
                mouseWindow_->post(kHookEventMessage,
                                   down ? mouse_message::kMiddleDown : mouse_message::kMiddleUp, 0);
                break;
            case Qt::BackButton:
            case Qt::ForwardButton:
                mouseWindow_->post(kHookEventMessage,
                                   down ? mouse_message::kExtraDown : mouse_message::kExtraUp,
                                   mouse->button() == Qt::BackButton ? 1 : 2);
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velor
