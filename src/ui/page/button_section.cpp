#include "ui/page/button_section.h"

#include <QScreen>
#include <utility>

#include "keys/key_tables.h"
#include "profile/function_table.h"
#include "skin/message_dispatcher.h"
#include "skin/skin_menu.h"
#include "store/macro_record.h"
#include "store/macro_resync.h"
#include "ui/button_accessible.h"
#include "ui/macro_window.h"
#include "ui/select_macro_window.h"
#include "ui/shortcut_window.h"
#include "ui/window_messages.h"

namespace velor {

namespace {

constexpr int kMenuButtons = 12;     // buttons 13..18 open no menu
constexpr int kLeftClickGuard = 16;  // one of buttons 1..16 keeps left click

const KeyboardLayout& keyboardOf(const PageServices& services) {
    static const UsKeyboardLayout us;
    return services.keyboard ? *services.keyboard : us;
}

}  // namespace

void ButtonSection::bind(const ControlIndex& c) {
    buttons_ = c.numbered<QAbstractButton, kButtonCount>("btn_key_%1");
    // The rows past the menu buttons tell what a button does, and nothing
    // here changes it: shown, never pressed.
    for (std::size_t k = kMenuButtons; k < buttons_.size(); ++k)
        if (buttons_[k]) makeShowOnly(buttons_[k]);
    macroEditor_ = c.get<QAbstractButton>("btn_macro");
}

QString ButtonSection::caption(const ProfileRecord& r, int button) const {
    const ConstButtonSlot slot = r.button(button - 1);
    switch (slot.function()) {
        case function::kKeyboard: {
            static constexpr const char* kModifiers[] = {"keyboard_ctrl_text",
                                                         "keyboard_shift_text", "keyboard_alt_text",
                                                         "keyboard_win_text"};
            QString text;
            for (int bit = 0; bit < 4; ++bit)
                if (slot.modifiers() & (1 << bit)) text += env_.text(kModifiers[bit]) + "+";
            return text + QString::fromStdU16String(
                              KeyNameOfUsage(slot.keyCode(), keyboardOf(env_.services),
                                             env_.context.texts, env_.services.debug));
        }
        case function::kMacro:
            return env_.text("assign_macro_text") +
                   QString::fromStdU16String(slot.macroName().value_or(u""));
        default: {
            // A function without a name of its own (the defaults of buttons 6
            // and 9 among them) still says what it is, never an empty row.
            const FunctionInfo* f = functionInfo(slot.function());
            return f && !f->captionId.empty()
                       ? env_.text(QString::fromLatin1(f->captionId.data(),
                                                       static_cast<qsizetype>(f->captionId.size())))
                       : env_.text("factory_function_text");
        }
    }
}

void ButtonSection::refreshTexts(const ProfileRecord& r) {
    for (int k = 1; k <= kButtonCount; ++k)
        if (QAbstractButton* b = buttons_[static_cast<std::size_t>(k - 1)]) {
            b->setText(caption(r, k));
            // "Button 5: Forward": the row's number is a label of its own.
            b->setAccessibleName(env_.text("a11y_button_row_text").arg(k).arg(b->text()));
        }
}

bool ButtonSection::notify(const Notification& n) {
    if (n.type != "click" || n.control == nullptr) return false;
    if (n.control == macroEditor_) {
        openMacroEditor();
        return true;
    }
    const int k = indexOf(buttons_, n.control);
    if (k < 0) return false;
    if (k < kMenuButtons) openMenu(k + 1, n.control);
    return true;
}

void ButtonSection::openMenu(int button, QWidget* anchor) {
    menuButton_ = button;
    menu_ = std::make_unique<QMenu>(env_.context.window);
    const QString file =
        env_.services.skinFolder + QStringLiteral("MS/MS_%1/ms_%1_menu.xml").arg(env_.model.slot);
    fillMenu(*menu_, file, env_.context.texts, [this](const QString& item) {
        // Menu commands go round the main window, which routes them by prefix.
        if (auto* window = dynamic_cast<MessageDispatcher*>(&env_.context.mainWindow))
            window->postMenuCommand(kMenuCommandMessage, item);
        else
            onMenuItem(item);
    });
    if (anchor == nullptr) return;
    // A screen reader names the menu after the row it assigns ("Button 5: Back").
    menu_->setAccessibleName(anchor->accessibleName());
    int visible = 0;
    for (const QAction* action : menu_->actions()) visible += action->isVisible() ? 1 : 0;
    const QScreen* screen = anchor->screen();
    const int screenHeight = screen ? screen->geometry().bottom() + 1 : 0;
    menu_->popup(assignmentMenuPosition(anchor->mapToGlobal(QPoint(anchor->width(), 0)), visible,
                                        screenHeight));
}

QPoint assignmentMenuPosition(QPoint buttonTopRight, int visibleItems, int screenHeight) {
    constexpr int kItemHeight = 22;
    const int height = kItemHeight * visibleItems;
    // Near the bottom of the screen the menu opens upwards from the button.
    if (buttonTopRight.y() + height + 4 >= screenHeight)
        return {buttonTopRight.x(), buttonTopRight.y() - height + 21};
    return buttonTopRight;
}

void ButtonSection::onMenuItem(const QString& item) {
    if (menuButton_ < 1 || menuButton_ > kMenuButtons) return;
    const int k = menuButton_ - 1;
    const QString prefix = QString::fromLatin1(
        env_.model.controlPrefix.data(), static_cast<qsizetype>(env_.model.controlPrefix.size()));
    const FunctionInfo* f = functionByMenuItem(item.mid(prefix.size()).toStdString());
    const std::uint8_t code = f ? f->code : function::kLeftClick;

    // One of buttons 1..16 must keep left click.
    bool keepsLeftClick = false;
    {
        const std::lock_guard guard(env_.profiles.lock());
        for (int b = 0; b < kLeftClickGuard; ++b) {
            const int function =
                b == k ? code : std::as_const(env_.profiles).current().button(b).function();
            keepsLeftClick |= function == function::kLeftClick;
        }
    }
    if (!keepsLeftClick) return env_.services.tell("one_click_text", {});

    if (code == function::kKeyboard) {
        if (!pickShortcut(k)) return;
    } else if (code == function::kMacro) {
        if (!pickMacro(k)) return;
    } else {
        env_.edit([&](ProfileRecord& r) { r.button(k).set(SlotField::function, code); });
    }
    env_.requestApply();
    refreshTexts(env_.current());  // the caption and what a screen reader says follow
}

bool ButtonSection::pickShortcut(int k) {
    ShortcutRecord record;
    record.hooks = env_.context.hooks;
    env_.edit([&](ProfileRecord& r) {
        ButtonSlot slot = r.button(k);
        // A button that had no shortcut starts from no key.
        if (slot.function() != function::kKeyboard) slot.set(SlotField::keyCode, 0);
        for (int bit = 0; bit < 4; ++bit)
            record.flags[static_cast<std::size_t>(bit)] = (slot.modifiers() >> bit) & 1;
        record.key = slot.keyCode();
    });
    CShortcutWnd window(env_.context.window, env_.context.texts, env_.services.skinFolder,
                        keyboardOf(env_.services), record, env_.services.debug);
    if (!window.create()) return false;
    window.centerOverParent();
    if (window.showModal() != 1) return false;
    const ShortcutRecord& chosen = window.record();
    std::uint8_t modifiers = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (chosen.flags[static_cast<std::size_t>(bit)])
            modifiers |= static_cast<std::uint8_t>(1 << bit);
    env_.edit([&](ProfileRecord& r) {
        ButtonSlot slot = r.button(k);
        slot.set(SlotField::keyCode, chosen.key);
        slot.set(SlotField::modifiers, modifiers);
        if (modifiers != 0 || chosen.key != 0) slot.set(SlotField::function, function::kKeyboard);
    });
    return true;
}

bool ButtonSection::pickMacro(int k) {
    CSelectMacroWnd picker(env_.context.window, env_.context.texts, env_.services.skinFolder,
                           env_.model.slot, env_.macros);
    env_.edit([&](ProfileRecord& r) {
        const ConstButtonSlot slot = r.button(k);
        const bool plays = slot.function() == function::kMacro;
        // By name: the stored index goes stale when a macro before it is deleted.
        picker.macroIndex = -1;
        const auto name = slot.macroName();
        for (std::size_t m = 0; plays && name && m < env_.macros.records.size(); ++m)
            if (env_.macros.records[m].name() == name) picker.macroIndex = static_cast<int>(m);
        picker.repeatMode = plays ? slot.macroRepeatMode() : 0;
        picker.repeatCount = plays ? slot.macroLoopTimes() : 1;  // OK alone keeps it
    });
    if (!picker.create()) return false;
    picker.centerOverParent();
    if (picker.showModal() != 1 || picker.macroIndex < 0 ||
        picker.macroIndex >= static_cast<int>(env_.macros.records.size()))
        return false;
    const MacroRecord& macro = env_.macros.records[static_cast<std::size_t>(picker.macroIndex)];
    env_.edit([&](ProfileRecord& r) {
        ButtonSlot slot = r.button(k);
        slot.set(SlotField::macroRepeatMode, picker.repeatMode);
        slot.set(SlotField::macroLoopTimes, picker.repeatCount);
        slot.set(SlotField::macroIndex, picker.macroIndex);
        copyMacroIntoSlot(macro, slot);
        slot.set(SlotField::function, function::kMacro);
    });
    return true;
}

void ButtonSection::openMacroEditor() {
    PageServices& s = env_.services;
    CMacroWnd editor(env_.context.window, env_.context.texts,
                     {env_.model.slot,
                      s.skinFolder,
                      &env_.macros,
                      env_.saveMacros,
                      &keyboardOf(s),
                      env_.context.hooks,
                      &systemClock(),
                      s.debug,
                      s.ask,
                      s.tell,
                      {},
                      s.dataFolder});
    if (!editor.create()) return;
    editor.centerOverParent();
    editor.showModal();
    // The profiles' copies follow the edited macros; the mouse gets them, and
    // the store keeps them (the apply stores the list, with or without a mouse).
    const MacroResync resync = resyncMacroSlots(env_.profiles, env_.macros);
    if (resync.currentTouched) {
        refreshTexts(env_.current());
        env_.requestApply();
    } else if (resync.changed) {
        env_.requestSave();
    }
}

}  // namespace velor
