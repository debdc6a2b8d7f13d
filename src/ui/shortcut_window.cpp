#include "ui/shortcut_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "keys/key_tables.h"

namespace velor {

namespace {

// The box a modifier key ticks: 1 Ctrl, 2 Shift, 3 Alt, 4 Super; 0 for other keys.
int modifierFlagOf(std::uint32_t virtualKey) {
    switch (virtualKey) {
        case 0x11:
        case 0xA2:
        case 0xA3:
            return 1;
        case 0x10:
        case 0xA0:
        case 0xA1:
            return 2;
        case 0x12:
        case 0xA4:
        case 0xA5:
            return 3;
        case 0x5B:
        case 0x5C:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

CShortcutWnd::CShortcutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                           const KeyboardLayout& layout, ShortcutRecord record, DebugSink debug)
    : SkinnedDialog(parent, texts, skinFolder),
      layout_(layout),
      record_(record),
      debug_(debug ? std::move(debug) : [](std::string_view) {}),
      capture_(*this, record_.hooks) {}

CShortcutWnd::~CShortcutWnd() {
    // The hook must not outlive the window it posts to.
    if (record_.hooks) record_.hooks->removeHook();
}

void CShortcutWnd::initWindow() {
    for (int k = 1; k <= 4; ++k)
        if (auto* box = skin().find<QCheckBox>(QStringLiteral("check_flag_%1").arg(k)))
            box->setChecked(record_.flags[static_cast<std::size_t>(k - 1)] != 0);
    capture_.attach(skin().find<QLineEdit>("edit_key"));
    showKey();
}

void CShortcutWnd::captureChanged(bool capturing) {
    if (auto* hint = skin().find<QLabel>("key_hint"))
        skin().setTextId(hint, capturing ? "shortcut_armed_text" : "shortcut_hint_text");
}

void CShortcutWnd::showKey() {
    if (auto* edit = skin().find<QLineEdit>("edit_key")) {
        const std::u16string name = KeyNameOfUsage(record_.key, layout_, skin().texts(), debug_);
        edit->setText(QString::fromStdU16String(name));
    }
}

// A modifier held ticks its box, so Ctrl then C makes Ctrl+C.
bool CShortcutWnd::passOver(std::uint32_t virtualKey, bool released) {
    char line[48];
    std::snprintf(line, sizeof line, "%x,%x", static_cast<unsigned>(virtualKey),
                  released ? 1U : 0U);
    debug_(line);
    const int flag = modifierFlagOf(virtualKey);
    if (flag == 0) return false;
    if (!released) {
        record_.flags[static_cast<std::size_t>(flag - 1)] = 1;
        if (auto* box = skin().find<QCheckBox>(QStringLiteral("check_flag_%1").arg(flag)))
            box->setChecked(true);
    }
    return true;
}

void CShortcutWnd::takeKey(std::uint32_t virtualKey) {
    const KeyUsage usage = UsageOfVirtualKey(virtualKey, layout_);
    debug_("iUsageID=" + std::to_string(usage.usage));
    record_.key = static_cast<std::uint8_t>(usage.found ? usage.usage : 0);
    showKey();
}

void CShortcutWnd::onNotify(const Notification& n) {
    if (n.type == "checkclick" && n.sender.startsWith("check_flag_")) {
        const int k = n.sender.mid(11).toInt();
        if (k >= 1 && k <= 4) record_.flags[static_cast<std::size_t>(k - 1)] = n.value != 0 ? 1 : 0;
    } else if (n.type == "click") {
        if (n.sender == "btn_ok") closeWith(1);
        if (n.sender == "btn_cancel" || n.sender == "btn_exit") closeWith(0);
    }
}

}  // namespace velor
