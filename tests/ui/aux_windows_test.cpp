#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "keys/key_tables.h"
#include "ui/about_window.h"
#include "ui/dpi_color_window.h"
#include "ui/hook_capture.h"
#include "ui/msg_window.h"
#include "ui/shortcut_window.h"

namespace velor {
namespace {

const QString kSkins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");

class AuxWindowsTest : public ::testing::Test {
  protected:
    AuxWindowsTest() { texts.load(2); }
    LanguageTexts texts{kSkins};
    testing::RecordingPoster poster;
};

// The language box is named by its label, in the language shown, whichever
// language it holds; a choice made in it renames it at once.
TEST_F(AuxWindowsTest, TheLanguageBoxIsNamedByItsLabelInEveryLanguage) {
    for (const auto& [lanId, label] :
         {std::pair{1, QStringLiteral("语言")}, std::pair{2, QStringLiteral("Language")},
          std::pair{3, QStringLiteral("Ngôn ngữ")}}) {
        texts.load(lanId);
        CAboutWnd about(nullptr, texts, kSkins, poster, lanId, 1, 1, 1);
        ASSERT_TRUE(about.create());
        auto* combo = about.skin().find<QComboBox>("combo_lan");
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(combo);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->text(QAccessible::Name), label) << lanId;
        EXPECT_NE(seen->text(QAccessible::Name), combo->currentText()) << lanId;
        emit combo->activated(lanId == 2 ? 2 : 1);  // Vietnamese, else English
        EXPECT_EQ(seen->text(QAccessible::Name),
                  lanId == 2 ? QStringLiteral("Ngôn ngữ") : QStringLiteral("Language"))
            << lanId;
    }
    poster.take();
}

TEST_F(AuxWindowsTest, AboutShowsThePreferencesAndPostsEveryChange) {
    CAboutWnd about(nullptr, texts, kSkins, poster, 3, -1, -1, -1);
    ASSERT_TRUE(about.create());
    auto* combo = about.skin().find<QComboBox>("combo_lan");
    auto* startup = about.skin().find<QCheckBox>("check_startup");
    auto* feedback = about.skin().find<QCheckBox>("check_window_feedback");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_TRUE(startup->isChecked());  // never saved shows checked
    EXPECT_TRUE(feedback->isChecked());
    EXPECT_EQ(about.skin().find<QLabel>("version")->text(), CAboutWnd::versionText());
    EXPECT_TRUE(poster.messages.empty());

    emit combo->activated(0);
    startup->click();
    feedback->click();
    feedback->click();
    const auto posted = poster.take();
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted[0].message, 1293u);
    EXPECT_EQ(posted[0].wParam, 1u);
    EXPECT_EQ(posted[1].message, 1294u);
    EXPECT_EQ(posted[1].wParam, 0u);
    EXPECT_EQ(posted[2].message, 1295u);
    EXPECT_EQ(posted[2].wParam, 0u);
    EXPECT_EQ(posted[3].wParam, 1u);
    EXPECT_EQ(texts.lanId(), 1);  // the About window itself already speaks Chinese

    // A screen reader's Toggle is a click: the change is posted like one,
    // and the window's own setChecked posts nothing.
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(startup);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::CheckBox);
    EXPECT_TRUE(reader->state().checkable);
    const bool was = startup->isChecked();
    EXPECT_EQ(reader->state().checked, was);
    reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCoreApplication::processEvents();
    EXPECT_NE(startup->isChecked(), was);
    const auto toggled = poster.take();
    ASSERT_EQ(toggled.size(), 1u);
    EXPECT_EQ(toggled[0].message, 1294u);
    EXPECT_EQ(toggled[0].wParam, was ? 0u : 1u);
    startup->setChecked(was);

    // Behind a modal window its Toggle does nothing, as a click would not;
    // the modal window's own buttons still work.
    CMsgWnd modal(&about, texts, kSkins, "warning_title_text", "delete_profile_text");
    ASSERT_TRUE(modal.create());
    modal.open();
    QAccessible::queryAccessibleInterface(startup)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QAccessible::queryAccessibleInterface(modal.skin().find<QPushButton>("btn_ok"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(startup->isChecked(), was);
    EXPECT_TRUE(poster.take().empty());
    EXPECT_FALSE(modal.isVisible());
    EXPECT_EQ(modal.result(), 1);
    EXPECT_TRUE(poster.take().empty());
}

TEST_F(AuxWindowsTest, MessageBoxAnswersOneForOkAndZeroForCancel) {
    for (const auto& [button, expected] : {std::pair{"btn_ok", 1}, std::pair{"btn_cancel", 0}}) {
        CMsgWnd msg(nullptr, texts, kSkins, "warning_title_text", "one_profile_text");
        ASSERT_TRUE(msg.create());
        EXPECT_EQ(msg.skin().find<QLabel>("warning")->text(), texts.get("one_profile_text"));
        EXPECT_EQ(msg.skin().find<QLabel>("warning_title")->text(),
                  texts.get("warning_title_text"));
        QTimer::singleShot(
            0, &msg, [&msg, b = QString(button)] { msg.skin().find<QPushButton>(b)->click(); });
        EXPECT_EQ(msg.showModal(), expected);
    }
    // A notice asks nothing: OK alone.
    CMsgWnd notice(nullptr, texts, kSkins, "warning_title_text", "import_failed_text",
                   CMsgWnd::Kind::Notice);
    ASSERT_TRUE(notice.create());
    EXPECT_TRUE(notice.skin().find<QPushButton>("btn_cancel")->isHidden());
    EXPECT_FALSE(notice.skin().find<QPushButton>("btn_ok")->isHidden());
    // A detail goes into the text's place for it, or under the text.
    const std::pair<const char*, QString> details[] = {
        {"damaged_file_text",
         "The program file /x/main.xml is damaged or missing. Reinstalling the program repairs "
         "it."},
        {"import_failed_text", "This file is not a profile of this mouse.\n\n/x/main.xml"}};
    for (const auto& [id, shown] : details) {
        CMsgWnd told(nullptr, texts, kSkins, "warning_title_text", id, CMsgWnd::Kind::Notice,
                     "/x/main.xml");
        ASSERT_TRUE(told.create());
        EXPECT_EQ(told.skin().find<QLabel>("warning")->text(), shown);
    }
}

TEST_F(AuxWindowsTest, ColourEditsClampPresetsFillAndThePaletteFollows) {
    CDpiColorWnd colour(nullptr, texts, kSkins);
    colour.setColor(0xFF102030);
    colour.setTopLeft({40, 60});
    ASSERT_TRUE(colour.create());
    auto* r = colour.skin().find<QLineEdit>("r_edit");
    auto* g = colour.skin().find<QLineEdit>("g_edit");
    auto* b = colour.skin().find<QLineEdit>("b_edit");
    EXPECT_EQ(r->text(), "16");
    EXPECT_EQ(colour.pos(), QPoint(40, 60));

    g->selectAll();
    QTest::keyClicks(g, "300");
    EXPECT_EQ(g->text(), "255");
    EXPECT_EQ(qGreen(colour.color()), 255);
    EXPECT_EQ(qRed(colour.color()), 16);
    EXPECT_EQ(qAlpha(colour.color()), 255);

    r->selectAll();
    QTest::keyClicks(r, "-5");
    EXPECT_EQ(r->text(), "0");
    EXPECT_EQ(qRed(colour.color()), 0);

    b->selectAll();
    QTest::keyClicks(b, "abc");
    EXPECT_EQ(b->text(), "abc");  // not rewritten
    EXPECT_EQ(qBlue(colour.color()), 0);

    colour.skin().find<QPushButton>("mouse_dpi_color_13")->click();
    EXPECT_EQ(r->text(), "30");
    EXPECT_EQ(g->text(), "180");
    EXPECT_EQ(b->text(), "10");
    EXPECT_EQ(colour.color(), 0xFF1EB40Au);
    EXPECT_EQ(leadingInteger(" 12px"), 12);
}

TEST_F(AuxWindowsTest, ShortcutCapturesOneCombinationFromAClickOrEnterInTheField) {
    std::vector<std::string> hookCalls;
    HookTable hooks;
    hooks.installhook = [&](MessagePoster*) { hookCalls.push_back("install"); };
    hooks.enablehook = [&](int on) { hookCalls.push_back("enable " + std::to_string(on)); };
    hooks.removehook = [&] { hookCalls.push_back("remove"); };
    UsKeyboardLayout us;
    ShortcutRecord record;
    record.flags = {1, 0, 0, 0};
    record.key = 0x04;
    record.hooks = &hooks;
    CShortcutWnd shortcut(nullptr, texts, kSkins, us, record);
    ASSERT_TRUE(shortcut.create());
    auto* edit = shortcut.skin().find<QLineEdit>("edit_key");
    auto* hint = shortcut.skin().find<QLabel>("key_hint");
    EXPECT_EQ(edit->text(), "A");
    EXPECT_TRUE(shortcut.skin().find<QCheckBox>("check_flag_1")->isChecked());
    shortcut.skin().find<QCheckBox>("check_flag_3")->click();
    EXPECT_EQ(shortcut.record().flags[2], 1);

    shortcut.show();
    shortcut.activateWindow();
    // Tabbing into the field captures nothing: the keyboard walks on.
    edit->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(hookCalls.empty());
    EXPECT_EQ(hint->text(), texts.get("shortcut_hint_text"));
    // Enter in the field starts it, and is not taken for OK.
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(hookCalls, (std::vector<std::string>{"install", "enable 1"}));
    EXPECT_TRUE(shortcut.isVisible());
    EXPECT_EQ(hint->text(), "Press the shortcut now: every key counts, Tab and Escape too.");

    MessagePoster& events = shortcut.hookWindow();
    const auto key = [&](std::uintptr_t vk, bool release) {
        events.post(kHookEventMessage, vk, release ? 1 : 0);
        QCoreApplication::processEvents();
    };
    // The Enter that started it lets go: not a key. Ctrl held, then K:
    // Ctrl+K, the Ctrl box ticked by the key itself; letting go of K ends it.
    key(0x0D, true);
    EXPECT_EQ(shortcut.record().key, 0x04);
    shortcut.skin().find<QCheckBox>("check_flag_1")->click();
    ASSERT_EQ(shortcut.record().flags[0], 0);
    key(0xA2, false);
    key(0x4B, false);
    EXPECT_EQ(hookCalls.size(), 2U);
    key(0x4B, true);
    EXPECT_EQ(shortcut.record().key, 0x0E);
    EXPECT_EQ(edit->text(), "K");
    EXPECT_EQ(shortcut.record().flags, (std::array<std::uint8_t, 4>{1, 0, 1, 0}));
    EXPECT_TRUE(shortcut.skin().find<QCheckBox>("check_flag_1")->isChecked());
    EXPECT_EQ(hookCalls, (std::vector<std::string>{"install", "enable 1", "remove", "enable 0"}));
    EXPECT_EQ(hint->text(), texts.get("shortcut_hint_text"));

    // A click starts it again. Shift (generic or right) and Super tick
    // theirs; Escape is a key like any other, and a key whose press the
    // system kept counts by its release.
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(hookCalls.size(), 6U);
    key(0x10, false);
    key(0x5C, false);
    EXPECT_EQ(shortcut.record().flags, (std::array<std::uint8_t, 4>{1, 1, 1, 1}));
    EXPECT_TRUE(shortcut.skin().find<QCheckBox>("check_flag_4")->isChecked());
    key(0x1B, false);
    EXPECT_EQ(shortcut.record().key, 0x29);
    key(0x1B, true);
    QTest::mouseClick(edit, Qt::LeftButton);
    key(0x2C, true);  // Print Screen, released only
    EXPECT_EQ(shortcut.record().key, 0x46);
    EXPECT_EQ(hookCalls.size(), 12U);
}

TEST_F(AuxWindowsTest, ShortcutIsBoundByKeyboardAloneWithTheRealHooks) {
    UsKeyboardLayout us;
    HookCapture capture(&us);
    const HookTable hooks = capture.table();
    ShortcutRecord record;
    record.key = 0x04;
    record.hooks = &hooks;
    CShortcutWnd shortcut(nullptr, texts, kSkins, us, record);
    ASSERT_TRUE(shortcut.create());
    auto* edit = shortcut.skin().find<QLineEdit>("edit_key");
    shortcut.open();
    shortcut.activateWindow();
    QApplication::setActiveWindow(&shortcut);
    edit->setFocus();
    QCoreApplication::processEvents();
    // Tab into the field and out again: still A, and the focus moved on.
    QTest::keyClick(edit, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(shortcut.record().key, 0x04);
    EXPECT_NE(QApplication::focusWidget(), edit);
    // Enter, then the Menu key: the key is Application, and no Copy menu
    // opens to take the next click.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyPress(edit, Qt::Key_Menu);
    QContextMenuEvent fromKeyboard(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(edit, &fromKeyboard);
    QTest::keyRelease(edit, Qt::Key_Menu);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(shortcut.record().key, 0x65);
    // The capture is over, so Tab leaves the field and Enter on OK confirms.
    QTest::keyClick(edit, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(shortcut.record().key, 0x65);
    auto* ok = shortcut.skin().find<QPushButton>("btn_ok");
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shortcut.isVisible());
    EXPECT_EQ(shortcut.result(), 1);
}

}  // namespace
}  // namespace velor
