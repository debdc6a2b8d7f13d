#include "ui/ms_page.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <QThread>
#include <functional>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "keys/key_tables.h"
#include "page_fixture.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "sim/sim_backend.h"
#include "skin/theme_sheet.h"
#include "store/profile_store.h"
#include "ui/main_window.h"

namespace velor {
namespace {

TEST_F(PageTest, AWiredMouseShowsItsPageWithTheStoredProfile) {
    EXPECT_TRUE(page->connected());
    EXPECT_EQ(window->currentTab(), 10);
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "ms_10" / "pro.data"));
    auto* list = find<QListWidget>("list_profile");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), window->texts().get("add_profile_text") + "1");
    EXPECT_EQ(find<QAbstractButton>("btn_key_1")->text(), window->texts().get("left_click_text"));
    EXPECT_EQ(find<QLineEdit>("edit_dpi_2")->text(), "800");
    EXPECT_TRUE(find<QAbstractButton>("option_dpi_step_2")->isChecked());
}

TEST_F(PageTest, TypedDpiKeepsDigitsAndIsClampedWhenConfirmed) {
    auto* edit = find<QLineEdit>("edit_dpi_3");
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "12a3");
    EXPECT_EQ(edit->text(), "123");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "200");
    EXPECT_EQ(find<QSlider>("slider_dpi_3")->value(), 2);
    EXPECT_EQ(current().get(Field::dpiX, 2), 2);
}

TEST_F(PageTest, LightingRowsFollowTheEffect) {
    auto* combo = find<QComboBox>("combo_light");
    emit combo->activated(5);
    EXPECT_EQ(current().get(Field::lightMode), 5);
    EXPECT_FALSE(find<QWidget>("hor_brightness")->isVisibleTo(window.get()));
    EXPECT_TRUE(find<QWidget>("hor_breathspeed")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("hor_light_color")->isVisibleTo(window.get()));
    runDeferredApply();
    EXPECT_EQ(mouse->settings().lighting->mode, 5);
    EXPECT_EQ(mouse->settings().lighting->brightness, 8);  // only effects 1 and 9 take it
}

// A list as long as one store holds: adding and importing are refused with a
// word, before any dialog opens, and nothing reaches the disk.
TEST_F(PageTest, AFullProfileListSaysSoOnAddAndImport) {
    std::vector<ProfileList::Stored> stored(16267);
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i].name = u"P" + QString::number(i).toStdU16String();
    page->profiles().reset({}, std::move(stored), 0, nullptr);
    file = "never-asked.pro";
    find<QAbstractButton>("profile_add_btn")->click();
    find<QAbstractButton>("profile_import_btn")->click();
    EXPECT_EQ(told, (std::vector<QString>{"profiles_full_text", "profiles_full_text"}));
    EXPECT_EQ(details, (std::vector<QString>{"16267", "16267"}));
    EXPECT_EQ(page->profiles().size(), 16267u);
}

TEST_F(PageTest, TheOnlyProfileAndTheLastLeftClickAreKept) {
    find<QAbstractButton>("profile_delete_btn")->click();
    EXPECT_EQ(told, std::vector<QString>{"one_profile_text"});
    EXPECT_EQ(page->profiles().size(), 1u);

    find<QAbstractButton>("btn_key_1")->click();  // opens the assignment menu for button 1
    page->onMenuItem("ms_10_menu");               // right click: no left click would remain
    EXPECT_EQ(told.back(), "one_click_text");
    EXPECT_EQ(current().button(0).function(), 1);

    find<QAbstractButton>("btn_key_2")->click();
    page->onMenuItem("ms_10_click");
    find<QAbstractButton>("btn_key_1")->click();
    page->onMenuItem("ms_10_menu");  // now button 2 keeps left click
    EXPECT_EQ(current().button(0).function(), 2);
    EXPECT_EQ(find<QAbstractButton>("btn_key_1")->text(), window->texts().get("right_click_text"));
    // What a screen reader says follows the caption.
    EXPECT_EQ(find<QAbstractButton>("btn_key_1")->accessibleName(),
              "Button 1: " + window->texts().get("right_click_text"));

    // Buttons 13 to 16 open no menu but count: with a left click on button
    // 16 (from a profile file, say) button 2 may give up its own, and the
    // mouse gets both.
    pump();
    const auto leftClick = (*mouse->settings().buttons)[1];
    const auto rightClick = (*mouse->settings().buttons)[0];
    {
        const std::lock_guard guard(page->profiles().lock());
        page->profiles().current().button(15).set(SlotField::function, 1);
    }
    find<QAbstractButton>("btn_key_2")->click();
    page->onMenuItem("ms_10_menu");
    EXPECT_EQ(told.size(), 2u);  // not refused
    pump();
    EXPECT_EQ((*mouse->settings().buttons)[15], leftClick);
    EXPECT_EQ((*mouse->settings().buttons)[1], rightClick);
    EXPECT_EQ(mouse->malformedCount(), 0);
}

// A screen reader walking the program finds the open function menu: a menu
// with its named items, the shortcut and macro ones among them, and an item
// it presses assigns the function.
TEST_F(PageTest, AnOpenButtonMenuIsFoundWithItsNamedItems) {
    find<QAbstractButton>("btn_key_5")->click();
    QAccessibleInterface* program = QAccessible::queryAccessibleInterface(qApp);
    ASSERT_NE(program, nullptr);
    QAccessibleInterface* menu = nullptr;
    for (int i = 0; i < program->childCount(); ++i)
        if (QAccessibleInterface* c = program->child(i); c && c->role() == QAccessible::PopupMenu)
            menu = c;
    ASSERT_NE(menu, nullptr);
    EXPECT_GE(program->indexOfChild(menu), 0);
    EXPECT_EQ(menu->text(QAccessible::Name), find<QAbstractButton>("btn_key_5")->accessibleName());
    QStringList items;
    for (int i = 0; i < menu->childCount(); ++i)
        if (QAccessibleInterface* item = menu->child(i); item->role() == QAccessible::MenuItem)
            items << item->text(QAccessible::Name);
    for (const char* id : {"shortcut_title_text", "assign_macro_title_text"})
        EXPECT_TRUE(items.contains(window->texts().get(id))) << id;
    // A group's items sit in its submenu: "Right click" among the mouse's.
    const std::function<QAccessibleInterface*(QAccessibleInterface*)> named =
        [&](QAccessibleInterface* node) -> QAccessibleInterface* {
        if (node->role() == QAccessible::MenuItem &&
            node->text(QAccessible::Name) == window->texts().get("right_click_text"))
            return node;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface* found = named(node->child(i))) return found;
        return nullptr;
    };
    QAccessibleInterface* rightClick = named(menu);
    ASSERT_NE(rightClick, nullptr);
    // Each group's submenu is named as its item is, and a screen reader says
    // that name as the submenu opens.
    int groups = 0;
    for (int i = 0; i < menu->childCount(); ++i) {
        QAccessibleInterface* item = menu->child(i);
        if (item->role() != QAccessible::MenuItem || item->childCount() == 0) continue;
        ++groups;
        ASSERT_EQ(item->child(0)->role(), QAccessible::PopupMenu);
        EXPECT_FALSE(item->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(item->child(0)->text(QAccessible::Name), item->text(QAccessible::Name));
    }
    EXPECT_GE(groups, 3);
    rightClick->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    pump();
    EXPECT_EQ(current().button(4).function(), 2);
    EXPECT_EQ((*mouse->settings().buttons)[4], (*mouse->settings().buttons)[1]);
}

// Rows 13..18 tell what a button does and nothing here changes it: a screen
// reader reads them as text with nothing to press, and Tab passes them by.
TEST_F(PageTest, RowsPastTheMenuButtonsAreReadAsTextWithNothingToPress) {
    struct Row {
        int k;
        QAccessible::Role role;
        QStringList actions;
        bool focusable;
    };
    const QStringList press{QAccessibleActionInterface::pressAction(),
                            QAccessibleActionInterface::setFocusAction()};
    for (const Row& row :
         {Row{1, QAccessible::Button, press, true}, Row{12, QAccessible::Button, press, true},
          Row{13, QAccessible::StaticText, {}, false},
          Row{18, QAccessible::StaticText, {}, false}}) {
        auto* b = find<QAbstractButton>(QStringLiteral("btn_key_%1").arg(row.k));
        ASSERT_NE(b, nullptr) << row.k;
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(b);
        ASSERT_NE(seen, nullptr) << row.k;
        EXPECT_EQ(seen->role(), row.role) << row.k;
        EXPECT_FALSE(seen->text(QAccessible::Name).isEmpty()) << row.k;  // "Button 13: ..."
        ASSERT_NE(seen->actionInterface(), nullptr) << row.k;
        EXPECT_EQ(seen->actionInterface()->actionNames().join(", ").toStdString(),
                  row.actions.join(", ").toStdString())
            << row.k;
        EXPECT_EQ(seen->state().focusable, row.focusable) << row.k;
        EXPECT_EQ(b->focusPolicy() != Qt::NoFocus, row.focusable) << row.k;
    }
}

// In the macro chooser the keyboard's row is the chosen one: the row the
// focus lands on, or Down and Up move to, shows as selected and is what
// Enter (OK) gives the button, the stores and the mouse.
TEST_F(PageTest, TheMacroChooserTakesTheRowTheKeysMoveTo) {
    const struct {
        int macros;
        std::vector<Qt::Key> keys;
        int chosen;
    } cases[] = {
        {1, {}, 0},                            // the focus lands on it
        {1, {Qt::Key_Down}, 0},                // Down stays on it
        {3, {Qt::Key_Down}, 1},                // from the button's macro, Reload
        {3, {Qt::Key_Down, Qt::Key_Down}, 2},  // from Burst, and no further
    };
    const std::u16string names[] = {u"Reload", u"Burst", u"Wall"};
    for (const auto& c : cases) {
        page->macros().records.clear();
        for (int m = 0; m < c.macros; ++m) {
            MacroRecord macro = MacroRecord::named(names[m]);
            macro.setActionCount(1);
            macro.setAction(0, {static_cast<std::uint8_t>(0x04 + m), MacroAction::kPress, 10});
            page->macros().records.push_back(macro);
        }
        find<QAbstractButton>("btn_key_3")->click();
        // The menu closes as its item is chosen.
        if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        QTimer::singleShot(0, [&] {
            QWidget* picker = QApplication::activeModalWidget();
            auto* list = picker ? picker->findChild<QListWidget*>("list_macro") : nullptr;
            if (list == nullptr) return ADD_FAILURE() << "no chooser";
            QApplication::setActiveWindow(picker);
            list->setFocus(Qt::TabFocusReason);
            for (const Qt::Key key : c.keys) QTest::keyClick(list, key);
            const auto shown = list->selectedItems();
            EXPECT_EQ(shown.size(), 1) << c.macros << " macros, keys " << c.keys.size();
            if (shown.size() == 1) {
                EXPECT_EQ(shown[0]->text().toStdU16String(), names[c.chosen]);
            }
            QTest::keyClick(list, Qt::Key_Return);
            if (picker->isVisible()) {
                ADD_FAILURE() << "Enter did not close the chooser";
                picker->close();
            }
        });
        page->onMenuItem("ms_10_select_macro");
        pump();
        const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
        ASSERT_TRUE(stored);
        const ConstButtonSlot slot = stored->records[0].button(2);
        EXPECT_EQ(slot.function(), 17);
        EXPECT_EQ(slot.macroName(), names[c.chosen]);
        // The mouse plays it: its one step presses A, B or C.
        const sim::MouseSettings held = mouse->settings();
        const auto& sent = held.macros[2];
        ASSERT_TRUE(sent.has_value());
        ASSERT_FALSE(sent->entries.empty());
        EXPECT_EQ(sent->entries[0].key, 0x04 + c.chosen);
    }
}

// Enter presses the focused push button as Space does (a check box still
// takes Space only), and Ctrl+Q quits from the window.
TEST_F(PageTest, EnterPressesTheFocusedButtonAndCtrlQQuits) {
    pump();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const std::size_t before = mouse->trace().size();
    auto* apply = find<QAbstractButton>("apply_btn");
    apply->setFocus(Qt::TabFocusReason);
    QTest::keyClick(apply, Qt::Key_Return);
    pump();
    ASSERT_GT(mouse->trace().size(), before);  // the apply ran
    EXPECT_EQ(mouse->trace()[before][0], 0x0C);
    auto* box = find<QAbstractButton>("check_movemode");
    box->setFocus(Qt::TabFocusReason);
    const bool was = box->isChecked();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->isChecked(), was);

    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// A Tab cycle over the window stops only on controls that show something:
// no scroll area, no bare container, not the window itself.
TEST_F(PageTest, ATabCycleStopsOnlyOnControlsThatShowSomething) {
    pump();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    find<QWidget>("apply_btn")->setFocus(Qt::TabFocusReason);
    QWidget* const start = QApplication::focusWidget();
    ASSERT_NE(start, nullptr);
    QStringList empty;
    int stops = 0;
    for (QWidget* at = start; stops < 200; ++stops) {
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        ASSERT_NE(at, nullptr);
        if (at == start) break;
        const QString kind = QString::fromLatin1(at->metaObject()->className());
        if (qobject_cast<QScrollArea*>(at) || kind == "QWidget" || kind == "QFrame" ||
            at->isWindow())
            empty << kind + " " + at->objectName();
    }
    EXPECT_LT(stops, 200) << "the cycle never came back";
    EXPECT_GT(stops, 30);  // the page's controls are all in it
    EXPECT_TRUE(empty.isEmpty()) << empty.join(", ").toStdString();
}

// Under the theme, the focused control wears the amber ring and no other
// control does: not the current DPI level's box, not the default button.
TEST_F(PageTest, OnlyTheFocusedControlWearsTheFocusRing) {
    window->setStyleSheet(readThemeSheet(QStringLiteral(VELOR_PROGRAM_DIR "/res/")));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    pump();
    const QString ring = QStringLiteral("#ffc43d");
    // The middle of the left edge lies on a control's frame.
    const auto edge = [](QWidget* w) {
        return w->grab().toImage().pixelColor(0, w->height() / 2).name();
    };
    const int level = current().i32(Field::dpiLevel) + 1;
    auto* marked = find<QWidget>(QStringLiteral("edit_dpi_%1").arg(level));
    auto* plain = find<QWidget>(QStringLiteral("edit_dpi_%1").arg(level == 1 ? 2 : 1));
    ASSERT_NE(marked, nullptr);
    ASSERT_TRUE(marked->property("current").toBool());
    find<QWidget>("btn_key_2")->setFocus(Qt::TabFocusReason);
    pump();
    EXPECT_EQ(edge(marked), edge(plain));  // marked by its text, not by a frame
    for (const char* name : {"apply_btn", "edit_dpi_1", "btn_key_1", "slider_sleep_timer",
                             "check_movemode", "option_lift_of_distance_1", "list_profile"}) {
        QWidget* control = find<QWidget>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_NE(edge(control), ring) << name << " without the focus";
        control->setFocus(Qt::TabFocusReason);
        pump();
        EXPECT_EQ(edge(control), ring) << name;
    }
}

// The indicator of a send under way is named and moves nothing.
TEST_F(PageTest, TheSendIndicatorIsNamedAndMovesNothing) {
    pump();
    auto* apply = find<QWidget>("apply_btn");
    auto* ring = find<QWidget>("apply_ring");
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->accessibleName(), window->texts().get("a11y_applying_text"));
    const QRect before = apply->geometry();
    ring->setVisible(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(apply->geometry(), before);
}

// A window smaller than its design (a small screen, 200 %, the user's own
// resize down to the minimum) keeps the whole page within reach: the page
// scrolls as a whole, both ways, and the settings column is never squeezed
// below what its controls need.
TEST_F(PageTest, APageSmallerThanItsDesignScrollsBothWaysDownToTheMinimum) {
    struct Size {
        QSize asked, shown;
        bool across, down;  // which scroll bars have a range
    };
    for (const Size& c : {Size{{800, 420}, {800, 420}, false, true},
                          Size{{600, 450}, {600, 450}, true, true},  // 1200x900 at 200 %
                          Size{{300, 200}, {480, 360}, true, true},  // below the minimum
                          Size{{800, 572}, {800, 572}, false, false}}) {
        window->resize(c.asked);
        pump();
        EXPECT_EQ(window->size(), c.shown);
        // A drag at the bottom-right corner resizes the frameless window.
        const QPoint corner(window->width() - 2, window->height() - 2);
        EXPECT_NE(qobject_cast<QSizeGrip*>(window->childAt(corner)), nullptr) << c.asked.width();
        QScrollArea* outer = nullptr;
        for (QWidget* w = find<QWidget>("apply_btn")->parentWidget(); w; w = w->parentWidget())
            if (auto* area = qobject_cast<QScrollArea*>(w)) outer = area;
        ASSERT_NE(outer, nullptr);
        EXPECT_EQ(outer->horizontalScrollBar()->maximum() > 0, c.across) << c.asked.width();
        EXPECT_EQ(outer->verticalScrollBar()->maximum() > 0, c.down) << c.asked.height();
        // Nothing of the settings column is cut off: its content fits its width.
        auto* settings = find<QScrollArea>("ver_setting");
        EXPECT_GE(settings->viewport()->width(), settings->widget()->minimumSizeHint().width())
            << c.asked.width();
        for (const char* last : {"apply_btn", "btn_reset", "btn_key_18", "check_movemode"}) {
            QWidget* control = find<QWidget>(last);
            settings->ensureWidgetVisible(control);
            outer->ensureWidgetVisible(control);
            pump();
            const QRect seen(control->mapTo(outer->viewport(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(outer->viewport()->rect().contains(seen)) << last << " " << c.asked.width();
        }
    }
}

TEST_F(PageTest, ApplySendsToTheMouseAndItsReportsReachThePage) {
    find<QAbstractButton>("apply_btn")->click();
    pump();
    EXPECT_EQ(mouse->malformedCount(), 0);
    ASSERT_TRUE(mouse->settings().dpi);  // the first apply sends everything
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);

    mouse->emitStatus(0x10, 4);  // the mouse's own DPI button: level 4
    for (int i = 0; i < 200 && current().get(Field::dpiLevel) != 3; ++i) {
        QThread::msleep(5);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(current().get(Field::dpiLevel), 3);
    EXPECT_TRUE(find<QAbstractButton>("option_dpi_step_4")->isChecked());
    EXPECT_EQ(page->engine().appliedCopy().get(Field::dpiLevel), 3);  // not sent back

    // Stored; the same level reported again writes nothing (each save is a
    // new file, so the store keeps its inode).
    const std::filesystem::path store = temp.path() / "ms_10" / "pro.data";
    const auto storedLevel = [&] {
        const auto contents = readProfileStore(*descriptorFor(10), store);
        return contents ? contents->records[0].get(Field::dpiLevel) : -1;
    };
    ASSERT_TRUE(waitFor([&] { return storedLevel() == 3; }));
    const auto inode = [&] {
        struct stat st {};
        return ::stat(store.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const auto before = inode();
    mouse->emitStatus(0x10, 4);
    for (int i = 0; i < 20; ++i) {
        QThread::msleep(5);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(inode(), before);
}

TEST_F(PageTest, ExportAndImportGoThroughTheChosenFile) {
    file = QString::fromStdString(temp.folder() + "mine.pro");
    find<QAbstractButton>("profile_export_btn")->click();
    ASSERT_TRUE(std::filesystem::exists(file.toStdString()));
    find<QAbstractButton>("profile_import_btn")->click();
    auto* list = find<QListWidget>("list_profile");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(list->item(1)->text(), list->item(0)->text() + "_1");

    file = QString::fromStdString(temp.folder() + "missing.pro");
    find<QAbstractButton>("profile_import_btn")->click();
    EXPECT_EQ(told.back(), "import_failed_text");
    EXPECT_EQ(list->count(), 2);
}

// A profile from another program with values the window does not offer: taken
// as it is and sent so, with one notice naming them; the enabled level without
// a value takes level 6's 5000 DPI, as a tick would give it.
TEST_F(PageTest, AnImportWithValuesTheWindowDoesNotOfferIsSentAsItIsAndToldOnce) {
    ProfileRecord odd = newRecord(model.record, u"Odd");
    odd.set(Field::keyDebounce, 40);
    odd.set(Field::dpiEnabled, 1, 6);
    odd.button(4).set(SlotField::function, 99);
    file = QString::fromStdString(temp.folder() + "odd.pro");
    ASSERT_TRUE(writeFileAtomically(file.toStdString(), odd.bytes()));
    find<QAbstractButton>("profile_import_btn")->click();
    pump();
    EXPECT_EQ(told, std::vector<QString>{"import_outside_text"});
    EXPECT_EQ(details.back(),
              "DPI level 7 takes part in the cycle without a value: it takes 5000 DPI, as a tick "
              "in the window gives it\n"
              "keyDebounce is 40, the window sets 1..15\n"
              "button 5: function 99, which the window has no entry for");
    EXPECT_EQ(find<QListWidget>("list_profile")->currentItem()->text(), "Odd");
    EXPECT_EQ(find<QLineEdit>("edit_dpi_7")->text(), "5000");

    // The mouse has it as it is.
    ASSERT_TRUE(waitFor([&] { return mouse->settings().lighting->keyDebounce == 40; }));
    const auto sent = mouse->settings();
    EXPECT_EQ(sent.dpi->enabledMask, 0x7F);
    EXPECT_EQ(sent.dpi->codes[6], sent.dpi->codes[5]);
    EXPECT_EQ((*sent.buttons)[4], (std::array<std::uint8_t, 3>{0, 0, 0}));
    // And so does the store.
    const std::filesystem::path store = temp.path() / "ms_10" / "pro.data";
    ASSERT_TRUE(waitFor([&] {
        const auto contents = readProfileStore(model, store);
        return contents && contents->records.size() == 2 &&
               contents->records[1].get(Field::keyDebounce) == 40 &&
               contents->records[1].get(Field::dpiX, 6) == 50 &&
               contents->records[1].button(4).function() == 99;
    }));
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

TEST_F(PageTest, StatusReportsFollowTheirTable) {
    auto* bar = find<QProgressBar>("progress_power");
    auto* label = find<QLabel>("label_power");
    report(0x4036, 0x4B01);  // on battery, 75 %
    EXPECT_TRUE(page->link().wirelessOnline());
    EXPECT_EQ(bar->value(), 75);
    EXPECT_EQ(label->text(), "75%");
    EXPECT_FALSE(find<QWidget>("sleep_label")->isVisibleTo(window.get()));
    report(0x4036, 0x0001);  // battery without a level: the display stays
    EXPECT_EQ(label->text(), "75%");

    report(0x2036, 3);  // polling value 3: index 0
    EXPECT_EQ(current().get(Field::pollingRate), 0);
    report(0x1036, 9);  // no level 9
    report(0x1010, 4);  // another model's code
    EXPECT_EQ(current().get(Field::dpiLevel), 1);

    report(0x4036, 0x0002);  // full battery while on the cable: wireless ends
    EXPECT_FALSE(page->link().wirelessOnline());
    EXPECT_EQ(label->text(), "100%");
}

TEST_F(PageTest, TheWatchdogEndsTheWirelessStateAndChargingAnimates) {
    page->onReceiverReport(0x4036, 0x3203, true, false);  // charging
    EXPECT_TRUE(page->link().wirelessOnline());
    EXPECT_EQ(find<QLabel>("label_power")->text(), window->texts().get("charging_text"));
    // Each tick of the 30 ms timer moves the bar on by 2, round from 100 to 0.
    window->timers().killTimer(0x290 + 3);
    page->onTimer(0x290 + 3);
    const int first = find<QProgressBar>("progress_power")->value();
    page->onTimer(0x290 + 3);
    const int second = find<QProgressBar>("progress_power")->value();
    EXPECT_EQ(second, first + 2 > 100 ? 0 : first + 2);
    // A second charging report in a row goes on from where the bar stands.
    page->onReceiverReport(0x4036, 0x3403, true, false);
    EXPECT_TRUE(window->timers().isActive(0x290 + 3));
    page->onTimer(0x290 + 3);
    EXPECT_EQ(find<QProgressBar>("progress_power")->value(), second + 2 > 100 ? 0 : second + 2);
    EXPECT_EQ(find<QLabel>("label_power")->text(), window->texts().get("charging_text"));
    page->onTimer(0x290);  // six seconds without a report
    EXPECT_FALSE(page->link().wirelessOnline());
    EXPECT_FALSE(find<QWidget>("wireless")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("sleep_label")->isVisibleTo(window.get()));  // the cable is up
}

// Through the receiver alone a full battery is a full bar and an awake mouse.
TEST_F(AbsentMouseTest, AFullBatteryThroughTheReceiverAloneShowsAFullBar) {
    report(0x4036, 0x0002);
    pump();
    ASSERT_TRUE(page->built());
    EXPECT_TRUE(page->link().wirelessOnline());
    EXPECT_FALSE(page->link().offline());
    EXPECT_EQ(find<QProgressBar>("progress_power")->value(), 100);
    EXPECT_EQ(find<QLabel>("label_power")->text(), "100%");
    EXPECT_TRUE(find<QWidget>("wireless")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("wired")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("sleep_label")->isVisibleTo(window.get()));
    EXPECT_FALSE(window->timers().isActive(0x290 + 3));  // no charging animation
}

TEST_F(PageTest, DeletingTheLastOfSeveralSelectsTheNewLast) {
    page->profiles().add(u"Second");
    page->profiles().add(u"Third");
    find<QListWidget>("list_profile")->setCurrentRow(2);
    find<QAbstractButton>("profile_delete_btn")->click();
    EXPECT_EQ(told.back(), "delete_profile_text");
    EXPECT_EQ(page->profiles().size(), 2u);
    EXPECT_EQ(page->profiles().currentIndex(), 1);
    EXPECT_EQ(find<QListWidget>("list_profile")->currentRow(), 1);
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

// Nobody sees the charging animation of a hidden window: it rests meanwhile.
TEST_F(PageTest, TheChargingAnimationRestsWhileTheWindowIsHidden) {
    constexpr int kCharging = 0x290 + 3;                // slot 10's T + 3
    EXPECT_TRUE(window->timers().isActive(kCharging));  // a cable at start: charging
    window->hide();
    EXPECT_FALSE(window->timers().isActive(kCharging));
    window->show();
    EXPECT_TRUE(window->timers().isActive(kCharging));
    window->showMinimized();
    pump();
    EXPECT_FALSE(window->timers().isActive(kCharging));
}

}  // namespace
}  // namespace velor
