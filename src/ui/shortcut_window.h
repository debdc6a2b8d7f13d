// The shortcut capture window: four modifier boxes and a key field. A click
// in the field, or Enter in it, captures one combination through the hook
// table (every key counts, Tab and Escape too); then the keyboard walks the
// window again. 1 means the record holds the user's choice.
#pragma once

#include <array>
#include <cstdint>

#include "platform/debug_output.h"
#include "platform/hook_table.h"
#include "skin/skinned_dialog.h"
#include "ui/key_capture_field.h"

namespace velor {

class KeyboardLayout;

struct ShortcutRecord {
    std::array<std::uint8_t, 4> flags{};  // Ctrl, Shift, Alt, Win: bit k - 1 of the modifier byte
    std::uint8_t key = 0;                 // HID usage, 0 for none
    const HookTable* hooks = nullptr;
};

class CShortcutWnd final : public SkinnedDialog, private KeyCaptureOwner {
    Q_OBJECT
  public:
    CShortcutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                 const KeyboardLayout& layout, ShortcutRecord record, DebugSink debug = {});
    ~CShortcutWnd() override;

    QString className() const override { return QStringLiteral("ShortcutWnd"); }
    QString skinFile() const override { return QStringLiteral("shortcut.xml"); }

    const ShortcutRecord& record() const { return record_; }
    // Where the hooks post their events while the key field has the focus.
    MessagePoster& hookWindow() { return capture_.hookWindow(); }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    bool passOver(std::uint32_t virtualKey, bool released) override;
    void takeKey(std::uint32_t virtualKey) override;
    void captureChanged(bool capturing) override;
    void showKey();

    const KeyboardLayout& layout_;
    ShortcutRecord record_;
    DebugSink debug_;
    KeyCaptureField capture_;
};

}  // namespace velor
