// Profiles that follow the application in front, as the window does it: the
// settle time, a burst applied once, nothing while a dialog of ours is open,
// only what differs sent; and the tray's view of the mice.
#include <QAccessible>
#include <QListWidget>
#include <QMenu>

#include "page_fixture.h"
#include "protocol/report.h"
#include "ui/msg_window.h"

namespace velor {
namespace {

class FollowFrontTest : public PageTest {
  protected:
    void SetUp() override {
        pump();
        // Profile 1 (DPI level 2) is current and on the mouse; Game has level 6.
        ASSERT_TRUE(page->profiles().add(u"Game"));
        {
            const std::lock_guard guard(page->profiles().lock());
            page->profiles().current().set(Field::dpiLevel, 5);
        }
        ASSERT_TRUE(page->profiles().select(0));
        const RulesOutcome added =
            page->editRulesForOutside([](AppRules& rules, const std::vector<std::u16string>&) {
                EXPECT_FALSE(rules.add("xmessage", u"Game"));
                return RulesOutcome{};
            });
        ASSERT_EQ(added.exitCode, 0) << added.reason;
    }
    // The watch's thread says what came to the front; the window lets it settle.
    void bringToFront(const char* windowClass, const char* executable) {
        frontChanged({windowClass, executable});
        pump();
    }
    void settle() {
        ASSERT_EQ(window->timers().interval(kFrontSettleTimer), 300);
        window->timers().fire(kFrontSettleTimer);
        pump();
        EXPECT_FALSE(window->timers().isActive(kFrontSettleTimer));
    }
    int currentIndex() { return page->profiles().currentIndex(); }
};

TEST_F(FollowFrontTest, ARuleSwitchesOnceSettledSendsWhatDiffersAndGoesBack) {
    const std::size_t before = mouse->trace().size();
    // A burst of Alt+Tab: nothing until the last one settles, then one switch.
    bringToFront("Xmessage", "xmessage");
    bringToFront("VELOR Gaming Driver", "velor");
    bringToFront("Xmessage", "xmessage");
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(mouse->trace().size(), before);
    settle();
    EXPECT_EQ(currentIndex(), 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 6);
    std::vector<int> sent;
    for (std::size_t i = before; i < mouse->trace().size(); ++i)
        sent.push_back(mouse->trace()[i][0]);
    EXPECT_EQ(sent, (std::vector<int>{command::kOpening, command::kDpi}));
    const auto* list = qobject_cast<QListWidget*>(page->control("list_profile"));
    EXPECT_EQ(list->currentRow(), 1);
    // Each profile's row names the applications it is used with.
    EXPECT_EQ(list->item(1)->toolTip(), "Used with xmessage");
    EXPECT_EQ(list->item(0)->toolTip(), "");

    // While a dialog of ours is open nothing switches, whatever comes to the front.
    CMsgWnd dialog(window.get(), window->texts(), QStringLiteral(VELOR_PROGRAM_DIR "/res/"),
                   "warning_title_text", "delete_profile_text");
    ASSERT_TRUE(dialog.create());
    dialog.open();
    bringToFront("XTerm", "xterm");
    settle();
    EXPECT_EQ(currentIndex(), 1);
    dialog.close();
    pump();
    // An application no rule names: back to the user's profile.
    bringToFront("XTerm", "xterm");
    settle();
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    // Nothing in front (a moment between two windows) changes nothing.
    bringToFront("", "");
    settle();
    EXPECT_EQ(currentIndex(), 0);
}

TEST_F(FollowFrontTest, TheTrayListsTheMouseWithItsProfilesAndChoosesOne) {
    // A mouse on its cable charges.
    EXPECT_EQ(window->trayIcon()->toolTip(), "VELOR Gaming Driver\nMS-10: charging, Profile 1");
    QMenu* menu = window->trayIcon()->contextMenu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    ASSERT_FALSE(menu->actions().isEmpty());
    QMenu* mice = menu->actions().first()->menu();
    ASSERT_NE(mice, nullptr);
    EXPECT_EQ(mice->title(), "MS-10: charging, Profile 1");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(mice)->text(QAccessible::Name), mice->title());
    ASSERT_EQ(mice->actions().size(), 2);
    EXPECT_TRUE(mice->actions()[0]->isChecked());
    EXPECT_EQ(mice->actions()[1]->text(), "Game");
    const std::size_t before = mouse->trace().size();
    mice->actions()[1]->trigger();
    pump();
    EXPECT_EQ(currentIndex(), 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 6);
    // Chosen from the tray: the whole profile goes, as a choice in the list sends it.
    EXPECT_GT(mouse->trace().size(), before + 2);
    EXPECT_EQ(window->trayIcon()->toolTip(), "VELOR Gaming Driver\nMS-10: charging, Game");
    // The user's choice is what a rule goes back to.
    bringToFront("Xmessage", "xmessage");
    settle();
    bringToFront("XTerm", "xterm");
    settle();
    EXPECT_EQ(currentIndex(), 1);
}

}  // namespace
}  // namespace velor
