// A read-only key field's way in and out of key capture, shared by the
// shortcut window and the macro editor's step key: a click or Enter in the
// field arms it (never the Tab that brought the focus there), the hooks then
// report every key to it (Tab and Escape too) until the key taken is let go
// or the field loses the focus, and the keyboard walks the window again.
#pragma once

#include <QObject>

#include <cstdint>

#include "platform/hook_table.h"
#include "skin/message_dispatcher.h"

class QLineEdit;

namespace velor {

// What the window does with the keys its field captures.
class KeyCaptureOwner {
  public:
    // A key that is not the one to take (a modifier that ticks a box): true
    // when the owner used it.
    virtual bool passOver(std::uint32_t virtualKey, bool released) = 0;
    // The key taken: at its press, or at its release for a key whose press
    // the system keeps (Print Screen).
    virtual void takeKey(std::uint32_t virtualKey) = 0;
    virtual void captureChanged(bool capturing) = 0;

  protected:
    ~KeyCaptureOwner() = default;
};

class KeyCaptureField final : public QObject {
    Q_OBJECT
  public:
    KeyCaptureField(KeyCaptureOwner& owner, const HookTable* hooks);
    ~KeyCaptureField() override;

    // The field to watch (once its window is built).
    void attach(QLineEdit* field);
    bool capturing() const { return capturing_; }
    // Where the hooks post their events while capturing.
    MessagePoster& hookWindow() { return events_; }
    void stop();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void start(std::uintptr_t armingKey);
    void onHookEvent(std::uintptr_t virtualKey, std::intptr_t released);

    KeyCaptureOwner& owner_;
    const HookTable* hooks_;
    QLineEdit* field_ = nullptr;
    MessageDispatcher events_;
    bool capturing_ = false;
    std::uintptr_t armingKey_ = 0;   // the Enter that started the capture
    std::uintptr_t pressedKey_ = 0;  // the key taken; its release ends the capture
};

}  // namespace velor
