// The shortcut capture window: four modifier boxes and a key field. A click
// in the field, or Enter in it, captures one combination through the hook
// table (every key counts, Tab and Escape too); then the keyboard walks the
// window again. 1 means the record holds the user's choice.
#pragma once

#include <array>
#include <cstdint>

#include "platform/debug_output.h"
#include "platform/hook_table.h"
#include "skin/message_dispatcher.h"
#include "skin/skinned_dialog.h"

namespace velor {

class KeyboardLayout;

struct ShortcutRecord {
    std::array<std::uint8_t, 4> flags{};  // Ctrl, Shift, Alt, Win: bit k - 1 of the modifier byte
    std::uint8_t key = 0;                 // HID usage, 0 for none
    const HookTable* hooks = nullptr;
};

class CShortcutWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    CShortcutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                 const KeyboardLayout& layout, ShortcutRecord record, DebugSink debug = {});
    ~CShortcutWnd() override;

    QString className() const override { return QStringLiteral("ShortcutWnd"); }
    QString skinFile() const override { return QStringLiteral("shortcut.xml"); }

    const ShortcutRecord& record() const { return record_; }
    // Where the hooks post their events while the key field has the focus.
    MessagePoster& hookWindow() { return events_; }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void startCapture(std::uintptr_t armingKey);
    void showHint();
    void onHookEvent(std::uintptr_t virtualKey, std::intptr_t released);
    void showKey();
    void stopCapture();

    const KeyboardLayout& layout_;
    ShortcutRecord record_;
    DebugSink debug_;
    MessageDispatcher events_;
    bool capturing_ = false;
    std::uintptr_t armingKey_ = 0;   // the Enter that started the capture
    std::uintptr_t pressedKey_ = 0;  // the key taken; its release ends the capture
};

}  // namespace velor
