// The shortcut capture window: four modifier boxes and a key field that takes
// the last key pressed or released while it has the focus (through the hook
// table). 1 means the record holds the user's choice.
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

  private:
    void onHookEvent(std::uintptr_t virtualKey, std::intptr_t released);
    void showKey();
    void stopCapture();

    const KeyboardLayout& layout_;
    ShortcutRecord record_;
    DebugSink debug_;
    MessageDispatcher events_;
    bool capturing_ = false;
};

}  // namespace velor
