#include "ui/macro_window.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

#include <gtest/gtest.h>

#include "keys/key_tables.h"
#include "store/macro_file.h"
#include "ui/app_rules_window.h"
#include "ui/hook_capture.h"
#include "util/virtual_clock.h"

namespace velor {
namespace {

const QString kSkins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");

// Slot 10's editor on the test's macros and stand-ins; each test swaps in
// what it watches (saves, notices, the file chosen).
// The editor shown as a window of its own, with the keyboard's focus.
void showActive(CMacroWnd& editor) {
    ASSERT_TRUE(editor.create());
    editor.setModal(false);
    editor.show();
    QApplication::setActiveWindow(&editor);
}

CMacroWnd::Services editorOn(MacroList& macros, const KeyboardLayout& keyboard,
                             const HookTable& hooks, Clock& clock) {
    return {10,
            kSkins,
            &macros,
            [] { return true; },
            &keyboard,
            &hooks,
            &clock,
            [](std::string_view) {},
            [](const QString&) { return true; },
            {},
            {},
            {}};
}

TEST(MacroWindow, RecordsKeysThroughTheHooksAndSavesWhenStopped) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    MacroList macros;
    int saves = 0;
    std::vector<std::string> hookCalls;
    HookTable hooks;
    hooks.installhook = [&](MessagePoster*) { hookCalls.push_back("install"); };
    hooks.enablehook = [&](int on) { hookCalls.push_back("enable " + std::to_string(on)); };
    hooks.removehook = [&] { hookCalls.push_back("remove"); };
    hooks.mousewheelenable = [&](int on) { hookCalls.push_back("wheel " + std::to_string(on)); };
    UsKeyboardLayout us;
    VirtualClock clock;
    CMacroWnd::Services services = editorOn(macros, us, hooks, clock);
    services.save = [&] { return ++saves > 0; };
    auto window = std::make_unique<CMacroWnd>(nullptr, texts, services);
    CMacroWnd& editor = *window;
    ASSERT_TRUE(editor.create());
    auto* record = editor.skin().find<QCheckBox>("ms_10_macro_record_btn");
    auto* steps = editor.skin().find<QListWidget>("ms_10_macro_action_list");

    record->click();  // no macro yet: one is made and recorded into
    ASSERT_EQ(macros.records.size(), 1u);
    EXPECT_EQ(editor.skin().find<QListWidget>("ms_10_macro_list")->count(), 1);
    EXPECT_EQ(record->text(), texts.get("stop_recording_text"));
    EXPECT_EQ(hookCalls, (std::vector<std::string>{"install", "enable 1", "wheel 0"}));

    MessagePoster& hook = editor.hookWindow();
    hook.post(kHookEventMessage, 0x41, 0);  // A down
    hook.post(kHookEventMessage, 0x41, 0);  // held: repeated
    hook.post(kHookEventMessage, 0x41, 1);  // A up
    QCoreApplication::processEvents();
    EXPECT_EQ(steps->count(), 2);
    // Each row is laid out by its item skin: key, action, delay (10 on the last).
    const auto part = [&](int row, const char* name) {
        QWidget* item = steps->itemWidget(steps->item(row));
        return item ? item->findChild<QLabel*>(name) : nullptr;
    };
    ASSERT_NE(part(0, "key"), nullptr);
    EXPECT_EQ(part(0, "key")->text(), "A");
    EXPECT_EQ(part(0, "key")->property("device").toString(), "keyboard");
    EXPECT_EQ(part(0, "action")->text(), texts.get("key_down_action"));
    EXPECT_EQ(part(1, "action")->text(), texts.get("key_up_action"));
    EXPECT_EQ(part(1, "delay")->text(), "10");
    EXPECT_EQ(steps->item(0)->sizeHint().height(), 30);

    const int before = saves;
    record->click();
    EXPECT_EQ(record->text(), texts.get("start_recording_text"));
    EXPECT_GT(saves, before);
    EXPECT_EQ(macros.records[0].actionCount(), 2);
    EXPECT_EQ(macros.records[0].action(0).code, 0x04);
    EXPECT_EQ(macros.records[0].action(1).kind, MacroAction::kRelease);

    editor.skin().find<QAbstractButton>("ms_10_macro_clear_action_btn")->click();
    EXPECT_EQ(steps->count(), 0);
    EXPECT_EQ(macros.records[0].actionCount(), 0);

    // The window closing on a running recording (Alt+F4, say) drops it: the
    // stored macro stays empty, so the next recording starts empty too.
    record->click();
    hook.post(kHookEventMessage, 0x42, 0);  // B down
    hook.post(kHookEventMessage, 0xA4, 0);  // Left Alt down
    QCoreApplication::processEvents();
    EXPECT_EQ(steps->count(), 2);
    const int beforeClose = saves;
    window.reset();
    EXPECT_EQ(saves, beforeClose);
    EXPECT_EQ(macros.records[0].actionCount(), 0);
    // The hooks went with it.
    EXPECT_EQ(std::vector(hookCalls.end() - 4, hookCalls.end()),
              (std::vector<std::string>{"remove", "enable 0", "wheel 0", "remove"}));
}

// The names of the macros in the slot's macro.data, in order.
std::vector<std::u16string> storedMacroNames(const std::string& folder) {
    MacroList stored;
    loadMacros(stored, *descriptorFor(10), folder);
    return stored.names();
}

// Enter presses the button the focus is on, and nothing else: typed in a
// field (the name, a delay) it neither adds a macro nor closes the editor.
TEST(MacroWindow, EnterPressesTheFocusedButtonOnly) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    QTemporaryDir folder;
    const std::string data = folder.path().toStdString() + "/";
    MacroList macros;
    macros.records.push_back(MacroRecord::named(u"Reload"));
    const QString file = folder.filePath("burst.macro");
    ASSERT_TRUE(exportMacro(MacroRecord::named(u"Burst"), file.toStdString(), nullptr));
    UsKeyboardLayout us;
    VirtualClock clock;
    HookTable hooks;
    CMacroWnd::Services services = editorOn(macros, us, hooks, clock);
    services.save = [&] { return saveMacros(macros, *descriptorFor(10), data); };
    services.chooseFile = [&](bool) { return file; };
    CMacroWnd editor(nullptr, texts, services);
    ASSERT_TRUE(editor.create());
    editor.setModal(false);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    QCoreApplication::processEvents();
    // Just shown: no button but a focused one stands as the default.
    for (QPushButton* b : editor.findChildren<QPushButton*>())
        EXPECT_EQ(b->isDefault(), b == QApplication::focusWidget())
            << b->objectName().toStdString();
    editor.skin().find<QListWidget>("ms_10_macro_list")->setCurrentRow(0);
    const struct {
        const char* control;
        std::vector<std::u16string> stored;
        bool open;
    } cases[] = {
        {"ms_10_macro_name_edit", {}, true},
        {"ms_10_default_delay_edit", {}, true},
        {"ms_10_macro_list", {}, true},
        {"ms_10_macro_add_btn", {u"Reload", u"Macro 2"}, true},
        {"ms_10_macro_import_btn", {u"Reload", u"Macro 2", u"Burst"}, true},
        {"btn_exit", {u"Reload", u"Macro 2", u"Burst"}, false},
    };
    for (const auto& c : cases) {
        QWidget* on = editor.skin().findControl(c.control);
        ASSERT_NE(on, nullptr) << c.control;
        on->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QTest::keyClick(on, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(storedMacroNames(data), c.stored) << c.control;
        EXPECT_EQ(editor.isVisible(), c.open) << c.control;
        // Only the focused button stands as the default, if any.
        for (QPushButton* b : editor.findChildren<QPushButton*>())
            EXPECT_EQ(b->isDefault(), b == on && c.open)
                << c.control << " " << b->objectName().toStdString();
    }
    EXPECT_EQ(editor.result(), 1);
}

// The same in the rules window: Enter in the name field adds the rule, on
// its Close Window button closes it.
TEST(AppRulesWindow, EnterAddsTheTypedRuleOrPressesTheFocusedButton) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    AppRules rules;
    CAppRulesWnd::Services services{10,
                                    u"Game",
                                    [&](const RulesEdit& edit) {
                                        RulesOutcome outcome = edit(rules, {u"Game"});
                                        outcome.rules = rules.all();
                                        return outcome;
                                    },
                                    {},
                                    {},
                                    {}};
    CAppRulesWnd window(nullptr, texts, kSkins, services);
    ASSERT_TRUE(window.create());
    window.setModal(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* name = window.skin().find<QLineEdit>("edit_app");
    name->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(name, "xmessage");
    QTest::keyClick(name, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_EQ(rules.all().size(), 1u);
    EXPECT_EQ(rules.all()[0].app, "xmessage");
    EXPECT_TRUE(window.isVisible());
    auto* close = window.skin().find<QPushButton>("btn_ok");
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(rules.all().size(), 1u);
}

// The step editor's key field takes a key only after a click or Enter in
// it, as the shortcut window's does: Tab into it and out again changes
// nothing, the key taken is the one pressed then, and Tab walks on after.
TEST(MacroWindow, TheStepKeyIsTakenAfterAClickOrEnterAndTabWalksOn) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    QTemporaryDir folder;
    const std::string data = folder.path().toStdString() + "/";
    MacroList macros;
    MacroRecord reload = MacroRecord::named(u"Reload");
    reload.setActionCount(2);
    reload.setAction(0, {0x04, MacroAction::kPress, 50});
    reload.setAction(1, {0x04, MacroAction::kRelease, 10});
    macros.records.push_back(reload);
    ASSERT_TRUE(saveMacros(macros, *descriptorFor(10), data));
    UsKeyboardLayout us;
    VirtualClock clock;
    HookCapture capture(&us);
    const HookTable hooks = capture.table();
    CMacroWnd::Services services = editorOn(macros, us, hooks, clock);
    services.save = [&] { return saveMacros(macros, *descriptorFor(10), data); };
    CMacroWnd editor(nullptr, texts, services);
    ASSERT_NO_FATAL_FAILURE(showActive(editor));
    editor.skin().find<QListWidget>("ms_10_macro_list")->setCurrentRow(0);
    editor.skin().find<QListWidget>("ms_10_macro_action_list")->setCurrentRow(0);
    editor.skin().find<QCheckBox>("ms_10_macro_action_edit_check")->click();
    auto* key = editor.skin().find<QLineEdit>("ms_10_macro_action_edit");
    ASSERT_TRUE(key->isVisible());
    // The first step's code in macro.data.
    const auto stored = [&] {
        MacroList onDisk;
        loadMacros(onDisk, *descriptorFor(10), data);
        return onDisk.records.empty() ? -1 : onDisk.records[0].action(0).code;
    };
    const auto press = [&](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, mods);
        QCoreApplication::processEvents();
    };
    // Tab in and out, Shift+Tab back: nothing taken.
    key->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), key);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), key);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_NE(QApplication::focusWidget(), key);
    EXPECT_EQ(stored(), 0x04);
    EXPECT_EQ(key->text(), "A");
    // Enter arms it: B is the key (its Enter is not), then Tab walks on.
    // A screen reader hears how, and when it waits for the key.
    EXPECT_EQ(key->accessibleDescription(), texts.get("a11y_step_key_hint_text"));
    key->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), key);
    EXPECT_EQ(stored(), 0x04);
    EXPECT_EQ(key->accessibleDescription(), texts.get("a11y_step_key_armed_text"));
    press(Qt::Key_B);
    EXPECT_EQ(stored(), 0x05);
    EXPECT_EQ(key->text(), "B");
    EXPECT_EQ(key->accessibleDescription(), texts.get("a11y_step_key_hint_text"));
    press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), key);
    EXPECT_EQ(stored(), 0x05);
    // A click arms it too, and then Tab itself is the key, once.
    key->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(key, Qt::LeftButton);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), key);
    EXPECT_EQ(stored(), 0x2B);
    press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), key);
    EXPECT_EQ(stored(), 0x2B);
    editor.hide();
}

// A key held while recording is one press and one release, the press
// waiting as long as the key was held, however its repeats come: X's
// release and press pairs sharing a time stamp, XKB's detectable repeats
// (presses alone), or repeats Qt marked. Two quick taps stay two.
TEST(MacroWindow, AKeyHeldWhileRecordingIsOnePressAndOneRelease) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    struct Key {
        long long at;  // ms after the first press, on the clock and the event
        bool press;
        bool marked = false;  // Qt says it is a repeat
        bool away = false;    // the program lost the keyboard first
        Qt::Key key = Qt::Key_A;
    };
    using Step = std::tuple<int, int, int>;  // code, kind, delay
    // Repeats 660 ms after the press, then every 40 ms, up to 1500 ms.
    std::vector<Key> xPairs{{0, true}}, detectable{{0, true}}, marked{{0, true}};
    for (long long t = 660; t < 1500; t += 40) {
        xPairs.insert(xPairs.end(), {{t, false}, {t, true}});
        detectable.push_back({t, true});
        marked.insert(marked.end(), {{t, false, true}, {t, true, true}});
    }
    for (auto* held : {&xPairs, &detectable, &marked}) held->push_back({1500, false});
    const std::vector<Step> heldSteps{{0x04, MacroAction::kPress, 1500},
                                      {0x04, MacroAction::kRelease, 10}};
    const struct {
        const char* name;
        std::vector<Key> keys;
        std::vector<Step> steps;
    } cases[] = {
        {"X pairs", xPairs, heldSteps},
        {"detectable", detectable, heldSteps},
        {"marked by Qt", marked, heldSteps},
        {"two taps",
         {{0, true}, {80, false}, {200, true}, {260, false}},
         {{0x04, MacroAction::kPress, 80},
          {0x04, MacroAction::kRelease, 120},
          {0x04, MacroAction::kPress, 60},
          {0x04, MacroAction::kRelease, 10}}},
        // A let go as B goes down, in the same millisecond: no repeat.
        {"roll",
         {{0, true},
          {100, false},
          {100, true, false, false, Qt::Key_B},
          {150, false, false, false, Qt::Key_B}},
         {{0x04, MacroAction::kPress, 100},
          {0x04, MacroAction::kRelease, 0},
          {0x05, MacroAction::kPress, 50},
          {0x05, MacroAction::kRelease, 10}}},
        // Two keys let go at one moment arrive together.
        {"chord let go",
         {{0, true},
          {50, true, false, false, Qt::Key_B},
          {300, false},
          {300, false, false, false, Qt::Key_B}},
         {{0x04, MacroAction::kPress, 50},
          {0x05, MacroAction::kPress, 250},
          {0x04, MacroAction::kRelease, 0},
          {0x05, MacroAction::kRelease, 10}}},
        // A let go while the program did not have the keyboard: its next
        // press, after B, is a press again.
        {"let go elsewhere",
         {{0, true},
          {300, true, false, true, Qt::Key_B},
          {320, false, false, false, Qt::Key_B},
          {400, true},
          {460, false}},
         {{0x04, MacroAction::kPress, 300},
          {0x05, MacroAction::kPress, 20},
          {0x05, MacroAction::kRelease, 80},
          {0x04, MacroAction::kPress, 60},
          {0x04, MacroAction::kRelease, 10}}},
    };
    UsKeyboardLayout us;
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const std::string data = folder.path().toStdString() + "/";
        MacroList macros;
        VirtualClock clock;
        HookCapture capture(&us);
        const HookTable hooks = capture.table();
        CMacroWnd::Services services = editorOn(macros, us, hooks, clock);
        services.save = [&] { return saveMacros(macros, *descriptorFor(10), data); };
        CMacroWnd editor(nullptr, texts, services);
        ASSERT_NO_FATAL_FAILURE(showActive(editor));
        editor.skin().find<QAbstractButton>("ms_10_record_delay_btn")->click();
        auto* record = editor.skin().find<QCheckBox>("ms_10_macro_record_btn");
        record->setFocus();
        record->click();
        // Each event as the system delivers it; those of one time stamp
        // arrive together.
        long long now = 0;
        for (std::size_t i = 0; i < c.keys.size(); ++i) {
            const Key& k = c.keys[i];
            clock.advance(Millis(k.at - now));
            now = k.at;
            for (const auto state : {Qt::ApplicationInactive, Qt::ApplicationActive}) {
                QApplicationStateChangeEvent change(state);
                if (k.away) QApplication::sendEvent(qApp, &change);
            }
            QKeyEvent event(k.press ? QEvent::KeyPress : QEvent::KeyRelease, k.key, Qt::NoModifier,
                            QString(), k.marked);
            event.setTimestamp(static_cast<quint64>(100000 + k.at));
            QApplication::sendEvent(QApplication::focusWidget(), &event);
            if (i + 1 == c.keys.size() || c.keys[i + 1].at != k.at)
                for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
        }
        record->click();
        MacroList stored;
        loadMacros(stored, *descriptorFor(10), data);
        ASSERT_EQ(stored.records.size(), 1u) << c.name;
        std::vector<Step> steps;
        for (int i = 0; i < stored.records[0].actionCount(); ++i) {
            const MacroAction a = stored.records[0].action(i);
            steps.emplace_back(a.code, a.kind, a.delay);
        }
        EXPECT_EQ(steps, c.steps) << c.name;
        editor.hide();
    }
}

// A macro file that cannot be written or read is told once, as a notice; a
// file written is the macro's 240 bytes.
TEST(MacroWindow, ExportAndImportFailuresAreToldOnce) {
    LanguageTexts texts(kSkins);
    texts.load(2);
    QTemporaryDir folder;
    MacroList macros;
    macros.records.push_back(MacroRecord::named(u"Reload"));
    UsKeyboardLayout us;
    VirtualClock clock;
    HookTable hooks;
    QStringList told;
    QString chosen;
    CMacroWnd::Services services = editorOn(macros, us, hooks, clock);
    services.tell = [&](const QString& id, const QString&) { told << id; };
    services.chooseFile = [&](bool) { return chosen; };
    CMacroWnd editor(nullptr, texts, services);
    ASSERT_TRUE(editor.create());
    editor.model().load(0);
    const auto click = [&](const char* button, const QString& file) {
        told.clear();
        chosen = file;
        editor.skin().find<QAbstractButton>(QStringLiteral("ms_10_") + button)->click();
        return told;
    };
    const QString written = folder.filePath("reload.macro");
    const QString notAMacro = folder.filePath("ten.macro");
    QFile ten(notAMacro);
    ASSERT_TRUE(ten.open(QIODevice::WriteOnly) && ten.write("0123456789") == 10);
    ten.close();
    const struct {
        const char* button;
        QString file;
        QStringList says;
    } cases[] = {
        {"macro_export_btn",
         folder.filePath("no/such/folder/x.macro"),
         {"macro_export_failed_text"}},
        {"macro_export_btn", written, {}},
        {"macro_import_btn", notAMacro, {"macro_import_failed_text"}},
        {"macro_import_btn", written, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(click(c.button, c.file), c.says) << c.button << " " << c.file.toStdString();
    EXPECT_EQ(QFileInfo(written).size(), 240);
    ASSERT_EQ(macros.records.size(), 2u);
    EXPECT_EQ(*macros.records[1].name(), u"Reload_1");
}

// The page's section boxes are headers that open and close, for a screen
// reader too, even one that saw them before the skin gave them their class.
TEST(SectionHeaders, AreExposedAsExpandableHeadings) {
    QWidget host;
    QCheckBox section(QStringLiteral("DPI"), &host);
    QCheckBox plain(QStringLiteral("Movement mode"), &host);
    QAccessibleInterface* header = QAccessible::queryAccessibleInterface(&section);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->role(), QAccessible::CheckBox);
    section.setProperty("class", QStringLiteral("section"));
    section.setCheckable(true);
    section.setChecked(true);
    EXPECT_EQ(header->role(), QAccessible::Heading);
    EXPECT_TRUE(header->state().expanded);
    EXPECT_FALSE(header->state().checkable);
    EXPECT_EQ(header->text(QAccessible::Name), "DPI");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&plain)->role(), QAccessible::CheckBox);
}

}  // namespace
}  // namespace velor
