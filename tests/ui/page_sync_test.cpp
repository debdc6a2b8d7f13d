// The mouse holds what the window shows: edits waiting to be sent survive the
// mouse's own reports, a path that comes back gets the whole profile, moving
// through the page changes nothing, and the stores are written off the UI
// thread.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

#include <gmock/gmock.h>

#include "../support/test_records.h"
#include "page_fixture.h"
#include "platform/file_io.h"
#include "store/macro_record.h"
#include "store/profile_store.h"

namespace velor {
namespace {

// The reports the mouse took since index `from` of its trace, by first byte.
std::vector<std::uint8_t> kindsSince(const sim::SimMouse& mouse, std::size_t from) {
    std::vector<std::uint8_t> kinds;
    const auto trace = mouse.trace();
    for (std::size_t i = from; i < trace.size(); ++i) kinds.push_back(trace[i][0]);
    return kinds;
}

void wheel(QWidget* w, int steps) {
    QWheelEvent event(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(w, &event);
}

TEST_F(PageTest, AReportFromTheMouseDoesNotSwallowATypedValue) {
    pump();  // the whole profile went out when the cable was found
    const std::uint8_t code3200 = mouse->settings().dpi->codes[4];  // level 5 is 3200 DPI
    ASSERT_NE(mouse->settings().dpi->codes[2], code3200);
    auto* edit = find<QLineEdit>("edit_dpi_3");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "3200");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(find<QAbstractButton>("btn_apply_dpi")->text(),
              window->texts().get("apply_pending_text"));

    page->onStatusReport(0x1036, 4);  // the mouse's own button: level 4
    pump();
    EXPECT_EQ(current().get(Field::dpiLevel), 3);
    EXPECT_EQ(find<QAbstractButton>("btn_apply_dpi")->text(),
              window->texts().get("apply_pending_text"));  // 3200 is still to be sent

    find<QAbstractButton>("btn_apply_dpi")->click();
    pump();
    EXPECT_EQ(mouse->settings().dpi->codes[2], code3200);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 4);
    EXPECT_EQ(find<QAbstractButton>("btn_apply_dpi")->text(), window->texts().get("apply_text"));
}

TEST_F(PageTest, ACablePluggedBackGetsTheWholeProfileUnasked) {
    pump();
    backend.unplug(*mouse);
    ASSERT_TRUE(waitFor([&] { return page->link().wiredState() == 2; }));
    // A switch while the mouse is away cannot reach it, but is stored.
    page->profiles().add(u"Second");
    emit find<QListWidget>("list_profile")->currentRowChanged(1);
    pump();
    const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->records.size(), 2u);
    EXPECT_EQ(stored->currentIndex, 1);
    const std::size_t before = mouse->trace().size();

    backend.plugBack(*mouse);
    ASSERT_TRUE(waitFor([&] { return page->link().wiredState() == 1; }));
    ASSERT_TRUE(waitFor([&] { return kindsSince(*mouse, before).size() >= 5; }));
    EXPECT_EQ(kindsSince(*mouse, before),
              (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08}));
}

TEST_F(PageTest, TheWheelOverAControlWithoutFocusChangesNothing) {
    auto* sleep = find<QSlider>("slider_sleep_timer");
    auto* effect = find<QComboBox>("combo_light");
    find<QAbstractButton>("apply_btn")->setFocus();
    wheel(sleep, -3);
    wheel(effect, -1);
    EXPECT_EQ(sleep->value(), 10);
    EXPECT_EQ(current().get(Field::sleepTimer), 10);
    EXPECT_EQ(effect->currentIndex(), 0);
    EXPECT_EQ(current().get(Field::lightMode), 0);

    // The settings column still scrolls (its bar takes the wheel it is passed).
    QScrollBar* bar = find<QScrollArea>("ver_setting")->verticalScrollBar();
    const int top = bar->value();
    wheel(bar, -2);
    EXPECT_GT(bar->value(), top);

    sleep->setFocus();
    wheel(sleep, 1);
    EXPECT_NE(sleep->value(), 10);  // with the focus it is the user's choice
    EXPECT_EQ(current().get(Field::sleepTimer), sleep->value());
}

TEST_F(PageTest, MovingThroughTheDpiBoxesChangesNothing) {
    pump();
    const std::size_t before = mouse->trace().size();
    for (const char* box : {"edit_dpi_1", "edit_dpi_3", "edit_dpi_8", "edit_dpi_5"}) {
        find<QLineEdit>(box)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    find<QLineEdit>("edit_dpi_4")->setFocus(Qt::ActiveWindowFocusReason);  // the window is back
    find<QAbstractButton>("apply_btn")->setFocus(Qt::TabFocusReason);
    pump();
    EXPECT_EQ(current().get(Field::dpiLevel), 1);
    EXPECT_EQ(current().get(Field::dpiX, 7), 0);  // level 8 was left untouched
    EXPECT_TRUE(kindsSince(*mouse, before).empty());
}

// A burst of reports is stored at once and then at most once a second, the
// last value included; off the UI thread.
TEST_F(PageTest, TheMousesReportsAreStoredOffTheUiThreadAtMostOnceASecond) {
    pump();
    storeThreads();
    const int saveTimer = static_cast<int>(model.timerBase) + 5;
    const auto stored = [&](Field field) {
        const auto s = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
        return s ? s->records.at(static_cast<std::size_t>(s->currentIndex)).get(field) : -1;
    };
    page->onStatusReport(0x1036, 3);  // DPI level
    pump();
    EXPECT_EQ(stored(Field::dpiLevel), 2);
    EXPECT_FALSE(window->timers().isActive(saveTimer));
    clock.advance(Millis(400));
    page->onStatusReport(0x2036, 2);  // polling rate
    page->onStatusReport(0x7036, 4);  // lighting effect
    pump();
    EXPECT_EQ(stored(Field::pollingRate), 3);  // not yet: within the second
    ASSERT_TRUE(window->timers().isActive(saveTimer));
    clock.advance(Millis(600));
    page->onTimer(saveTimer);
    pump();
    EXPECT_FALSE(window->timers().isActive(saveTimer));
    const std::vector<std::thread::id> threads = storeThreads();
    ASSERT_FALSE(threads.empty());
    EXPECT_EQ(std::count(threads.begin(), threads.end(), std::this_thread::get_id()), 0);
    // What the mouse changed itself is on disk, and shown.
    EXPECT_EQ(stored(Field::dpiLevel), 2);
    EXPECT_EQ(stored(Field::pollingRate), 2);
    EXPECT_EQ(stored(Field::lightMode), 4);
    EXPECT_TRUE(find<QAbstractButton>("option_dpi_step_3")->isChecked());
    EXPECT_TRUE(find<QAbstractButton>("btn_prate_3")->isChecked());
    EXPECT_EQ(find<QComboBox>("combo_light")->currentIndex(), 4);
}

TEST_F(PageTest, AMacroDeletedInTheEditorLeavesTheButtonsOfEveryProfileStored) {
    pump();
    // The second profile, not the current one, plays the macro "Macro".
    ProfileRecord second = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(second, 2, std::span(&a, 1));
    page->profiles().append(std::move(second));
    page->profiles().select(0);
    page->macros().records.clear();  // the editor deleted it
    QTimer::singleShot(0, [] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        editor->findChild<QAbstractButton*>("btn_exit")->click();
    });
    find<QAbstractButton>("btn_macro")->click();
    pump();
    const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->records.size(), 2u);
    EXPECT_EQ(stored->records[1].button(1).function(), 2);  // right click again
    EXPECT_EQ(*stored->records[1].button(1).macroName(), u"");
}

// Macros made in the editor while macro.data cannot be written stay listed,
// are told once, and reach the disk with the next save that works: a profile
// change's, or the one at the end.
TEST_F(PageTest, MacrosThatCannotBeStoredAreKeptAndToldOnceUntilASaveWorks) {
    pump();
    const std::filesystem::path store = temp.path() / "ms_10" / "macro.data";
    const auto blockStore = [&] {
        std::filesystem::remove_all(store);
        std::filesystem::create_directories(store / "in-the-way");
    };
    // The editor opened, `adds` macros added, and closed.
    const auto addInEditor = [&](int adds) {
        QTimer::singleShot(0, [adds] {
            QWidget* editor = QApplication::activeModalWidget();
            ASSERT_NE(editor, nullptr);
            for (int i = 0; i < adds; ++i)
                editor->findChild<QAbstractButton*>("ms_10_macro_add_btn")->click();
            editor->findChild<QAbstractButton*>("btn_exit")->click();
        });
        find<QAbstractButton>("btn_macro")->click();
        pump();
    };
    // The macro names in macro.data, in order; nothing when it is no file.
    const auto storedNames = [&] {
        std::vector<std::u16string> names;
        const auto bytes = readWholeFile(store, 1 << 20);
        for (std::size_t at = 0; bytes && at + 240 <= bytes->size(); at += 240)
            names.push_back(
                MacroRecord::fromBytes(std::span(*bytes).subspan(at, 240))->name().value_or(u"?"));
        return names;
    };
    blockStore();
    addInEditor(2);
    EXPECT_EQ(told, std::vector<QString>{"store_not_saved_text"});
    EXPECT_THAT(details.front().toStdString(), ::testing::HasSubstr(store.string()));
    // Still there for the buttons, and in the editor when it opens again.
    QTimer::singleShot(0, [] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->findChild<QListWidget*>("ms_10_macro_list")->count(), 2);
        editor->findChild<QAbstractButton*>("btn_exit")->click();
    });
    find<QAbstractButton>("btn_macro")->click();
    pump();
    EXPECT_EQ(page->macros().names(), (std::vector<std::u16string>{u"Macro 1", u"Macro 2"}));

    std::filesystem::remove_all(store);
    find<QAbstractButton>("option_dpi_step_3")->click();  // a profile change, stored
    pump();
    EXPECT_EQ(storedNames(), (std::vector<std::u16string>{u"Macro 1", u"Macro 2"}));

    // Blocked once more (a save worked meanwhile: told again), then freed
    // before the program ends, which writes what is still waiting.
    blockStore();
    addInEditor(1);
    EXPECT_EQ(told.size(), 2u);
    std::filesystem::remove_all(store);
    window.reset();
    EXPECT_EQ(storedNames(), (std::vector<std::u16string>{u"Macro 1", u"Macro 2", u"Macro 3"}));
}

TEST_F(PageTest, ARenameIsStoredByTheWorker) {
    pump();
    storeThreads();
    // The name dialog runs modally: answer it once it is up.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("edit_name")->setText("Renamed");
        dialog->findChild<QAbstractButton*>("btn_ok")->click();
    });
    find<QAbstractButton>("profile_rename_btn")->click();
    pump();
    EXPECT_EQ(find<QListWidget>("list_profile")->item(0)->text(), "Renamed");
    const std::vector<std::thread::id> threads = storeThreads();
    ASSERT_FALSE(threads.empty());
    EXPECT_EQ(std::count(threads.begin(), threads.end(), std::this_thread::get_id()), 0);

    ProfileList stored(*descriptorFor(10));
    loadProfiles(stored, temp.folder(), window->texts(), [](std::string_view) {});
    EXPECT_EQ(stored.current().name(), u"Renamed");
}

}  // namespace
}  // namespace velor

#include "ui/page/button_section.h"

namespace velor {
namespace {

TEST_F(PageTest, TheEffectTheMouseReportsShowsInTheBoxAndItsRows) {
    report(0x7036, 2);  // breathing, chosen on the mouse
    EXPECT_EQ(current().get(Field::lightMode), 2);
    EXPECT_EQ(find<QComboBox>("combo_light")->currentIndex(), 2);
    EXPECT_TRUE(find<QWidget>("hor_breathspeed")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("hor_brightness")->isVisibleTo(window.get()));
}

TEST_F(PageTest, ChargingReportedOverTheCableLeavesTheReceiverAlone) {
    page->onStatusReport(0x4036, 0x3203);  // the library's status: charging
    EXPECT_FALSE(page->link().wirelessOnline());
    EXPECT_FALSE(find<QWidget>("wireless")->isVisibleTo(window.get()));
    EXPECT_EQ(find<QLabel>("label_power")->text(), window->texts().get("charging_text"));
    page->onStatusReport(0x4036, 0x4B01);  // on battery, 75 %
    EXPECT_FALSE(page->link().wirelessOnline());
    EXPECT_EQ(find<QLabel>("label_power")->text(), "75%");
}

TEST(AssignmentMenu, OpensUpwardsWhereItWouldReachTheBottomOfTheScreen) {
    // 10 items of 22 px below y = 500 end at 724 (+4): inside a 1000 px screen.
    EXPECT_EQ(assignmentMenuPosition(QPoint(300, 500), 10, 1000), QPoint(300, 500));
    // At y = 800 they would reach 1024: moved up to 800 - 220 + 21.
    EXPECT_EQ(assignmentMenuPosition(QPoint(300, 800), 10, 1000), QPoint(300, 601));
    EXPECT_EQ(assignmentMenuPosition(QPoint(300, 776), 10, 1000),
              QPoint(300, 577));  // 1000 reached
    EXPECT_EQ(assignmentMenuPosition(QPoint(300, 775), 10, 1000), QPoint(300, 775));
}

}  // namespace
}  // namespace velor
