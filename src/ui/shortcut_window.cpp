#include "ui/shortcut_window.h"

#include <QCheckBox>
#include <QKeyEvent>
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

constexpr std::uintptr_t kEnterKey = 0x0D;

}  // namespace

CShortcutWnd::CShortcutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                           const KeyboardLayout& layout, ShortcutRecord record, DebugSink debug)
    : SkinnedDialog(parent, texts, skinFolder),
      layout_(layout),
      record_(record),
      debug_(debug ? std::move(debug) : [](std::string_view) {}) {
    events_.on(kHookEventMessage, [this](std::uintptr_t w, std::intptr_t l) { onHookEvent(w, l); });
}

CShortcutWnd::~CShortcutWnd() {
    // The hook must not outlive the window it posts to.
    if (record_.hooks) record_.hooks->removeHook();
}

void CShortcutWnd::initWindow() {
    for (int k = 1; k <= 4; ++k)
        if (auto* box = skin().find<QCheckBox>(QStringLiteral("check_flag_%1").arg(k)))
            box->setChecked(record_.flags[static_cast<std::size_t>(k - 1)] != 0);
    if (auto* edit = skin().find<QLineEdit>("edit_key")) {
        edit->setReadOnly(true);
        // The Menu key is a key to capture, not a way to a Copy menu that
        // would then swallow the next click.
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->installEventFilter(this);
    }
    showKey();
}

// Capture starts from the field by a click or Enter, never by the key that
// moved the focus there, so Tab walks through the window as everywhere else.
bool CShortcutWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == skin().find<QLineEdit>("edit_key") && !capturing_) {
        if (event->type() == QEvent::MouseButtonPress) {
            startCapture(0);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                startCapture(kEnterKey);
                return true;  // not also the default button
            }
        }
    }
    return SkinnedDialog::eventFilter(watched, event);
}

void CShortcutWnd::startCapture(std::uintptr_t armingKey) {
    if (!record_.hooks) return;  // the stored key stays, nothing can be captured
    record_.hooks->installHook(&events_);
    record_.hooks->enableHook(true);
    capturing_ = true;
    armingKey_ = armingKey;
    pressedKey_ = 0;
    showHint();
}

void CShortcutWnd::showHint() {
    if (auto* hint = skin().find<QLabel>("key_hint"))
        skin().setTextId(hint, capturing_ ? "shortcut_armed_text" : "shortcut_hint_text");
}

void CShortcutWnd::showKey() {
    if (auto* edit = skin().find<QLineEdit>("edit_key")) {
        const std::u16string name = KeyNameOfUsage(record_.key, layout_, skin().texts(), debug_);
        edit->setText(QString::fromStdU16String(name));
    }
}

void CShortcutWnd::stopCapture() {
    if (!record_.hooks || !capturing_) return;
    record_.hooks->removeHook();
    record_.hooks->enableHook(false);
    capturing_ = false;
    showHint();
}

void CShortcutWnd::onHookEvent(std::uintptr_t virtualKey, std::intptr_t released) {
    char line[48];
    std::snprintf(line, sizeof line, "%x,%x", static_cast<unsigned>(virtualKey),
                  static_cast<unsigned>(released));
    debug_(line);
    // A modifier held ticks its box, so Ctrl then C makes Ctrl+C.
    if (const int flag = modifierFlagOf(static_cast<std::uint32_t>(virtualKey)); flag > 0) {
        if (released != 0) return;
        record_.flags[static_cast<std::size_t>(flag - 1)] = 1;
        if (auto* box = skin().find<QCheckBox>(QStringLiteral("check_flag_%1").arg(flag)))
            box->setChecked(true);
        return;
    }
    // One combination: the key pressed (or, for a key whose press the
    // system keeps, released) after the modifiers; its release ends the
    // capture. The release of the Enter that started it is not a key.
    if (released != 0) {
        if (pressedKey_ == 0 && virtualKey == armingKey_) {
            armingKey_ = 0;
            return;
        }
        if (pressedKey_ != 0 && virtualKey != pressedKey_) return;
    }
    const KeyUsage usage = UsageOfVirtualKey(static_cast<std::uint32_t>(virtualKey), layout_);
    debug_("iUsageID=" + std::to_string(usage.usage));
    record_.key = static_cast<std::uint8_t>(usage.found ? usage.usage : 0);
    showKey();
    pressedKey_ = virtualKey;
    if (released != 0) stopCapture();
}

void CShortcutWnd::onNotify(const Notification& n) {
    if (n.type == "checkclick" && n.sender.startsWith("check_flag_")) {
        const int k = n.sender.mid(11).toInt();
        if (k >= 1 && k <= 4) record_.flags[static_cast<std::size_t>(k - 1)] = n.value != 0 ? 1 : 0;
    } else if (n.type == "killfocus" && n.sender == "edit_key") {
        stopCapture();
    } else if (n.type == "click") {
        if (n.sender == "btn_ok") closeWith(1);
        if (n.sender == "btn_cancel" || n.sender == "btn_exit") closeWith(0);
    }
}

}  // namespace velor
