// Profiles that follow the application in front, as the window does it: the
// settle time, a burst applied once, nothing while a dialog of ours is open,
// only what differs sent; and the tray's view of the mice.
#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

#include "../support/file_text.h"
#include "page_fixture.h"
#include "profile/record_defaults.h"
#include "protocol/report.h"
#include "store/profile_store.h"
#include "ui/app_rules_window.h"
#include "ui/msg_window.h"

namespace velor {
namespace {

class FrontTest : public PageTest {
  protected:
    FrontTest() = default;
    explicit FrontTest(const std::function<void(testing::TempFolder&, QString&)>& before)
        : PageTest(true, 10, before) {}
    // The watch's thread says what came to the front; the window lets it settle.
    void bringToFront(const char* windowClass, const char* executable) {
        frontChanged({windowClass, executable});
        pump();
    }
    void settle() {
        ASSERT_EQ(window->timers().interval(kFrontSettleTimer), 300);
        ASSERT_TRUE(window->timers().isActive(kFrontSettleTimer));
        window->timers().fire(kFrontSettleTimer);
        pump();
        EXPECT_FALSE(window->timers().isActive(kFrontSettleTimer));
    }
    int currentIndex() { return page->profiles().currentIndex(); }
    int rowShown() { return find<QListWidget>("list_profile")->currentRow(); }
};

class FollowFrontTest : public FrontTest {
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
        // The application in front at start (none here) has been judged.
        settle();
    }
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

namespace velor {
namespace {

// A name typed in the rules window: one with a control character is refused
// with a message, as velorctl refuses it (rules_commands_test); others are
// added and stored.
TEST_F(FollowFrontTest, TheRulesWindowRefusesANameWithAControlCharacterAloud) {
    std::vector<QString> refused;
    CAppRulesWnd dialog(window.get(), window->texts(), skins_,
                        {10,
                         u"Game",
                         [this](const RulesEdit& e) { return page->editRulesForOutside(e); },
                         {},
                         {},
                         [&](const QString& detail) { refused.push_back(detail); }});
    ASSERT_TRUE(dialog.create());
    auto* edit = dialog.skin().find<QLineEdit>("edit_app");
    auto* shown = dialog.skin().find<QListWidget>("list_rules");
    const std::filesystem::path rules = temp.path() / "ms_10" / "app_rules.txt";
    const std::string stored = testing::readText(rules);
    const std::pair<QString, const char*> bad[] = {
        {"a\tb", "\\t"},
        {"a\nb", "\\n"},
        {"x\x7f-y", "\\x7f"},
        {"a\x1b[2Jb", "\\x1b"},
        {QString::fromUtf16(u"a\u0085b"), "\\u0085"},
    };
    for (const auto& [name, escape] : bad) {
        refused.clear();
        edit->setText(name);
        dialog.skin().find<QAbstractButton>("btn_add_rule")->click();
        ASSERT_EQ(refused.size(), 1u) << escape;
        EXPECT_EQ(refused[0].toStdString(),
                  std::string("the application name holds a control character (") + escape +
                      "), which no window class or program name has");
        EXPECT_EQ(edit->text(), name);  // left to be mended
        EXPECT_EQ(shown->count(), 1);
    }
    EXPECT_EQ(testing::readText(rules), stored);
    refused.clear();
    for (const QString& name :
         {QStringLiteral("  Steam Big Picture "), QString::fromUtf16(u"Caf\u00e9 \u6e38\u620f")}) {
        edit->setText(name);
        dialog.skin().find<QAbstractButton>("btn_add_rule")->click();
        EXPECT_EQ(edit->text(), "");
    }
    EXPECT_TRUE(refused.empty());
    EXPECT_EQ(shown->count(), 3);
    EXPECT_EQ(testing::readText(rules),
              "# VELOR application rules 1\nxmessage\tGame\nSteam Big Picture\tGame\n"
              "Caf\xc3\xa9 \xe6\xb8\xb8\xe6\x88\x8f\tGame\n");
}

namespace fs = std::filesystem;
using testing::readText;

// On disk before the program starts: Profile 1 (DPI level 2, current) and
// Game (level 6), and a rule that xmessage uses Game; xmessage is in front.
class StartInFrontTest : public FrontTest {
  protected:
    StartInFrontTest()
        : FrontTest([this](testing::TempFolder& t, QString&) {
              frontAtStart = {"Xmessage", "xmessage"};
              const ModelDescriptor& m = *descriptorFor(10);
              ProfileRecord game = newRecord(m.record, u"Game");
              game.set(Field::dpiLevel, 5);
              ProfileList list(m);
              list.reset({}, {newRecord(m.record, u"Profile 1"), game}, 0);
              std::string error;
              ASSERT_TRUE(saveProfiles(list, t.folder(), &error)) << error;
              testing::writeText(t.path() / "ms_10" / "app_rules.txt",
                                 "# VELOR application rules 1\nxmessage\tGame\n");
          }) {}
    // The program ends (its stores written) and starts again on the same mouse.
    void restart() {
        window.reset();
        page = nullptr;
        window = std::make_unique<CMainWnd>(services());
        window->init();
        window->show();
        pump();
    }
    // pro.data's current index, as its first four bytes.
    std::string storedIndex() { return readText(slotFolder() / "pro.data").substr(0, 4); }
    fs::path slotFolder() { return temp.path() / "ms_10"; }
    fs::path usersFile() { return slotFolder() / "users_profile.txt"; }
};

TEST_F(StartInFrontTest, TheApplicationInFrontAtStartIsJudgedOnceSettled) {
    // Profile 1 went to the mouse when it came up; the rule waits for the settle.
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    settle();
    EXPECT_EQ(currentIndex(), 1);
    EXPECT_EQ(rowShown(), 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 6);
    EXPECT_EQ(storedIndex(), std::string("\x01\0\0\0", 4));
    // Chosen by hand while xmessage stays in front: judging xmessage again (a
    // burst of focus changes ending on it) keeps the user's choice.
    find<QListWidget>("list_profile")->setCurrentRow(0);
    pump();
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    bringToFront("XTerm", "xterm");
    bringToFront("Xmessage", "xmessage");
    settle();
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
}

// Ended while the rule's profile is in force (a logout while a game runs):
// the next start still goes back to the user's own profile.
TEST_F(StartInFrontTest, TheUsersOwnProfileOutlivesARestart) {
    settle();
    EXPECT_EQ(readText(usersFile()), "# VELOR user's profile 1\nProfile 1\n");
    EXPECT_EQ(fs::status(usersFile()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    restart();  // xmessage still in front
    settle();
    EXPECT_EQ(currentIndex(), 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 6);
    bringToFront("XTerm", "xterm");
    settle();
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(rowShown(), 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    EXPECT_EQ(storedIndex(), std::string("\0\0\0\0", 4));
    EXPECT_FALSE(fs::exists(usersFile()));

    // Game chosen by hand (the tray) while xmessage has it by its rule: Game
    // is the user's own from then on, after a restart too.
    bringToFront("Xmessage", "xmessage");
    settle();
    EXPECT_TRUE(fs::exists(usersFile()));
    page->chooseProfile(u"Game");
    pump();
    EXPECT_FALSE(fs::exists(usersFile()));
    frontAtStart = {"XTerm", "xterm"};
    restart();
    settle();
    EXPECT_EQ(currentIndex(), 1);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 6);
    EXPECT_EQ(storedIndex(), std::string("\x01\0\0\0", 4));
}

}  // namespace
}  // namespace velor
