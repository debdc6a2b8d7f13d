// velorctl rules and profile use on their own (no program running): the
// rules file under the slot's store, the profile a mouse is given by name.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "../support/file_text.h"
#include "../support/standalone_commands.h"
#include "cli/standalone_host.h"
#include "cli/velorctl.h"
#include "profile/record_defaults.h"
#include "sim/sim_backend.h"
#include "store/profile_store.h"
#include "util/virtual_clock.h"

namespace velor::cli {
namespace {

using testing::Answer;

class RulesCommandsTest : public testing::StandaloneCommandsTest {
  protected:
    void SetUp() override {
        StandaloneCommandsTest::SetUp();
        // Slot 10 stores "Default" (current) and "Game", whose DPI level is 6.
        ProfileList list(*descriptorFor(10));
        ProfileRecord game = newRecord(descriptorFor(10)->record, u"Game");
        game.set(Field::dpiLevel, 5);
        list.reset({}, {newRecord(descriptorFor(10)->record, u"Default"), game}, 0);
        std::string error;
        ASSERT_TRUE(saveProfiles(list, temp.folder(), &error)) << error;
    }
    std::string rulesFile() { return testing::readText(temp.path() / "ms_10" / "app_rules.txt"); }
};

TEST_F(RulesCommandsTest, RulesAreAddedListedAndRemovedWithoutAMouse) {
    const std::string kControl = "velorctl: the application name holds a control character (";
    const std::string kNoName = "), which no window class or program name has\n";
    struct Step {
        std::vector<std::string> args;
        Answer answer;
    };
    const std::vector<Step> steps = {
        {{"rules", "list", "--slot", "10"}, {0, "", ""}},
        {{"rules", "add", "--slot", "10", "--app", "xmessage", "--profile", "Nope"},
         {2, "", "velorctl: slot 10 has no profile Nope\n"}},
        {{"rules", "add", "--slot", "10", "--app", "xmessage", "--profile", "game"}, {0, "", ""}},
        {{"rules", "add", "--slot", "10", "--app", "Navigator", "--profile", "Default"},
         {0, "", ""}},
        {{"rules", "list", "--slot", "10"}, {0, "xmessage\tGame\nNavigator\tDefault\n", ""}},
        {{"rules", "remove", "--slot", "10", "--app", "xmessage", "--profile", "Default"},
         {2, "", "velorctl: slot 10 has no rule for xmessage\n"}},
        {{"rules", "remove", "--slot", "10", "--app", "XMESSAGE"}, {0, "", ""}},
        {{"rules", "list", "--slot", "10"}, {0, "Navigator\tDefault\n", ""}},
        // No window class or program name holds a control character: one
        // typed is a slip, refused as the rules window refuses it.
        {{"rules", "add", "--slot", "10", "--app", "a\tb", "--profile", "Default"},
         {2, "", kControl + "\\t" + kNoName}},
        {{"rules", "add", "--slot", "10", "--app", "a\nb", "--profile", "Default"},
         {2, "", kControl + "\\n" + kNoName}},
        {{"rules", "add", "--slot", "10", "--app", "x\x7f-y", "--profile", "Default"},
         {2, "", kControl + "\\x7f" + kNoName}},
        {{"rules", "add", "--slot", "10", "--app", "Esc\x1b]0;t\x07", "--profile", "Default"},
         {2, "", kControl + "\\x1b" + kNoName}},
        {{"rules", "add", "--slot", "10", "--app", "Steam Big Picture", "--profile", "Default"},
         {0, "", ""}},
        {{"rules", "add", "--slot", "10", "--app", "Caf\xc3\xa9 \xe6\xb8\xb8", "--profile", "Game"},
         {0, "", ""}},
        {{"rules", "remove", "--slot", "10", "--app", "steam big picture"}, {0, "", ""}},
        {{"rules", "remove", "--slot", "10", "--app", "CAF\xc3\xa9 \xe6\xb8\xb8"}, {0, "", ""}},
        {{"rules", "add", "--slot", "10", "--app", "x", "--profile", "No\x1b[2J"},
         {2, "", "velorctl: slot 10 has no profile No\\x1b[2J\n"}},
        {{"rules"}, {2, "", "velorctl: rules needs a subcommand: list, add or remove\n"}},
        {{"rules", "list", "--slot", "10", "--app", "x"},
         {2, "", "velorctl: rules list takes only --slot\n"}},
        {{"rules", "add", "--slot", "10", "--app", "x"},
         {2, "", "velorctl: --profile is required\n"}},
        {{"rules", "remove", "--slot", "10"}, {2, "", "velorctl: --app is required\n"}},
    };
    for (const Step& s : steps) EXPECT_EQ(run(s.args), s.answer) << s.args[1] << " " << s.args[3];
    EXPECT_EQ(rulesFile(), "# VELOR application rules 1\nNavigator\tDefault\n");

    // A rule written by hand with control characters still loads, is printed
    // escaped (a tab or a control sequence never splits a line or reaches the
    // terminal) and can be removed.
    testing::writeText(temp.path() / "ms_10" / "app_rules.txt",
                       "# VELOR application rules 1\nEsc\x1b]0;t\x07\\ta\tDefault\n");
    EXPECT_EQ(run({"rules", "list", "--slot", "10"}),
              (Answer{0, "Esc\\x1b]0;t\\x07\\ta\tDefault\n", ""}));
    EXPECT_EQ(run({"rules", "remove", "--slot", "10", "--app", "Esc\x1b]0;t\x07\ta"}),
              (Answer{0, "", ""}));
    EXPECT_EQ(rulesFile(), "# VELOR application rules 1\n");
}

// A rules file that cannot be read is said to be so, for a list as for a
// change, and left as it is (the program answers the same: control_test).
TEST_F(RulesCommandsTest, ARulesFileThatCannotBeReadIsToldAndLeftAsItIs) {
    const std::filesystem::path file = temp.path() / "ms_10" / "app_rules.txt";
    ASSERT_TRUE(std::filesystem::create_directories(file));  // no file at all
    // Named with why (the reason is the system's own words).
    const auto unreadable = [&](const Answer& a) {
        return a.code == 1 && a.out.empty() &&
               a.err.starts_with("velorctl: the rules cannot be read (") &&
               a.err.find("app_rules.txt: ") != std::string::npos &&
               a.err.ends_with("); they are left as they are\n");
    };
    EXPECT_TRUE(unreadable(run({"rules", "list", "--slot", "10"})));
    EXPECT_TRUE(
        unreadable(run({"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "Game"})));
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST_F(RulesCommandsTest, ProfileUseSendsTheNamedProfileWholeAndStoresItCurrent) {
    EXPECT_EQ(run({"profile", "use", "--slot", "10", "--name", "Game"}),
              (Answer{1, "", "velorctl: no mouse of slot 10 is connected\n"}));
    sim::SimMouse& mouse = backend.plugReceiver(*descriptorFor(10));
    EXPECT_EQ(run({"profile", "use", "--slot", "10", "--name", "Nope"}),
              (Answer{2, "", "velorctl: slot 10 has no profile Nope\n"}));
    // A rule's profile was in force when the program ended: a profile chosen
    // here is the user's own, and the program is not to go back to another.
    const auto users = temp.path() / "ms_10" / "users_profile.txt";
    testing::writeText(users, "# VELOR user's profile 1\nDefault\n");
    EXPECT_EQ(run({"profile", "use", "--slot", "10", "--name", "GAME"}),
              (Answer{0, "slot 10 holds profile 1 (Game)\n", ""}));
    EXPECT_FALSE(std::filesystem::exists(users));
    EXPECT_EQ(mouse.settings().dpi->currentLevel, 6);
    const auto stored =
        readProfileStore(*descriptorFor(10), profileStorePath(*descriptorFor(10), temp.folder()));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->currentIndex, 1);
    const Answer status = run({"status", "--slot", "10"});
    EXPECT_NE(status.out.find("profile\t1\tGame\ndpi_level\t6\n"), std::string::npos) << status.out;
}

}  // namespace
}  // namespace velor::cli
