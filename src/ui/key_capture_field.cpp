#include "ui/key_capture_field.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace velor {

namespace {
constexpr std::uintptr_t kEnterKey = 0x0D;
}  // namespace

KeyCaptureField::KeyCaptureField(KeyCaptureOwner& owner, const HookTable* hooks)
    : owner_(owner), hooks_(hooks) {
    events_.on(kHookEventMessage, [this](std::uintptr_t w, std::intptr_t l) { onHookEvent(w, l); });
}

KeyCaptureField::~KeyCaptureField() {
    // The hook must not outlive the field it posts to.
    if (capturing_ && hooks_) hooks_->removeHook();
}

void KeyCaptureField::attach(QLineEdit* field) {
    field_ = field;
    if (field_ == nullptr) return;
    field_->setReadOnly(true);
    // The Menu key is a key to capture, not a way to a Copy menu that would
    // then swallow the next click.
    field_->setContextMenuPolicy(Qt::NoContextMenu);
    field_->installEventFilter(this);
}

bool KeyCaptureField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        stop();
    } else if (!capturing_ && event->type() == QEvent::MouseButtonPress) {
        start(0);
    } else if (!capturing_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            start(kEnterKey);
            return true;  // not also a button of the window
        }
    }
    return QObject::eventFilter(watched, event);
}

void KeyCaptureField::start(std::uintptr_t armingKey) {
    if (!hooks_) return;  // the stored key stays, nothing can be captured
    hooks_->installHook(&events_);
    hooks_->enableHook(true);
    capturing_ = true;
    armingKey_ = armingKey;
    pressedKey_ = 0;
    owner_.captureChanged(true);
}

void KeyCaptureField::stop() {
    if (!hooks_ || !capturing_) return;
    hooks_->removeHook();
    hooks_->enableHook(false);
    capturing_ = false;
    owner_.captureChanged(false);
}

void KeyCaptureField::onHookEvent(std::uintptr_t virtualKey, std::intptr_t released) {
    if (!capturing_) return;
    const auto vk = static_cast<std::uint32_t>(virtualKey);
    if (owner_.passOver(vk, released != 0)) return;
    // One key: the one pressed (or, for a key whose press the system keeps,
    // released); its release ends the capture. The release of the Enter
    // that started it is not a key.
    if (released != 0) {
        if (pressedKey_ == 0 && virtualKey == armingKey_) {
            armingKey_ = 0;
            return;
        }
        if (pressedKey_ != 0 && virtualKey != pressedKey_) return;
    }
    if (pressedKey_ != virtualKey) owner_.takeKey(vk);
    pressedKey_ = virtualKey;
    if (released != 0) stop();
}

}  // namespace velor
