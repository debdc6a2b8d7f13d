// A slot's application rules: the file as it is written and read back, what
// a damaged one costs, and which profile the slot follows as applications
// come to the front.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "../support/file_text.h"
#include "../support/hang_guard.h"
#include "../support/temp_folder.h"
#include "store/app_rules.h"
#include "store/profile_follower.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::writeText;

TEST(AppRules, TheFileHoldsOneRuleALineAndReadsBackWhatWasSaved) {
    testing::TempFolder temp;
    const fs::path file = temp.path() / "ms_10" / "app_rules.txt";
    // A tab and a backslash in a name are escaped; a new rule refuses a tab,
    // so this one was written by hand.
    const std::string handWritten =
        "# VELOR application rules 1\n"
        "Tab\\there\\\\\tCaf\xc3\xa9 \xe6\xb8\xb8\xe6\x88\x8f\n";
    fs::create_directories(file.parent_path());
    writeText(file, handWritten);
    auto read = readAppRules(file);
    ASSERT_TRUE(read) << read.error();
    AppRules rules = *read;
    ASSERT_FALSE(rules.add("  xmessage\n", u"Game"));
    ASSERT_FALSE(rules.add("XMESSAGE", u"Work"));  // one rule an application: replaced
    EXPECT_EQ(rules.add(" \t", u"Game"), "give the application's window class or executable name");
    EXPECT_EQ(rules.add("Tab\there", u"Game"),
              "the application name holds a control character (\\t), which no window class or "
              "program name has");
    std::string error;
    ASSERT_TRUE(saveAppRules(rules, file, &error)) << error;
    EXPECT_EQ(readText(file), handWritten + "xmessage\tWork\n");
    const auto back = readAppRules(file);
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(back->all(), rules.all());
    // Matched by class or executable, case aside; no file is no rules.
    ASSERT_NE(back->match("XMessage", ""), nullptr);
    EXPECT_EQ(back->match("", "xmessage")->profile, u"Work");
    EXPECT_EQ(back->match("xterm", "bash"), nullptr);
    EXPECT_TRUE(readAppRules(temp.path() / "none.txt")->all().empty());

    // A renamed profile takes its rules along; a deleted one drops them.
    EXPECT_TRUE(rules.renameProfile(u"work", u"Office"));
    EXPECT_EQ(rules.all()[1].profile, u"Office");
    EXPECT_TRUE(rules.dropProfile(u"OFFICE"));
    EXPECT_FALSE(rules.dropProfile(u"Office"));
    EXPECT_EQ(rules.all().size(), 1u);
    // Found where it now lies, first of the rules again.
    EXPECT_EQ(rules.match("", "TAB\tHERE\\")->profile, u"Caf\u00e9 \u6e38\u620f");
    EXPECT_FALSE(rules.remove("xmessage"));
    EXPECT_FALSE(rules.remove("tab\there\\", u"Game"));  // names another profile
    EXPECT_TRUE(rules.remove("tab\there\\"));
    EXPECT_EQ(rules.match("Tab\there\\", ""), nullptr);
    ASSERT_FALSE(rules.add("xterm", u"Game"));
    EXPECT_EQ(rules.match("XTerm", "")->profile, u"Game");

    // Names are counted in characters, not bytes: 255 three-byte characters
    // are a name, 256 letters are not.
    const std::string long255 = [] {
        std::string s;
        for (int i = 0; i < 255; ++i) s += "\xe6\xb8\xb8";
        return s;
    }();
    EXPECT_EQ(rules.add(long255, u"Game"), std::nullopt);
    EXPECT_EQ(rules.add(std::string(255, 'a') + " ", u"Game"), std::nullopt);
    EXPECT_EQ(rules.add(std::string(256, 'a'), u"Game"),
              "the application name is longer than 255 characters");
    EXPECT_EQ(rules.add(long255 + "a", u"Game"),
              "the application name is longer than 255 characters");
}

// 100,000 rules in 900 KB, within the reader's bound, names of one length:
// each rule is found by its name, never compared with every rule before it
// (which took minutes).
TEST(AppRules, AFileOfAHundredThousandRulesIsReadInOnePass) {
    testing::TempFolder temp;
    const fs::path file = temp.path() / "app_rules.txt";
    std::string text = "# VELOR application rules 1\n";
    char name[8];
    for (int i = 0; i < 100'000; ++i) {
        std::snprintf(name, sizeof name, "a%05d", i);
        text += name + std::string("\tP\n");
    }
    text += "A00007\tQ\n";  // the same application again: its profile replaced
    writeText(file, text);
    const testing::HangGuard bound("reading 100,000 rules");
    const auto rules = readAppRules(file);
    ASSERT_TRUE(rules) << rules.error();
    ASSERT_EQ(rules->all().size(), 100'000u);
    EXPECT_EQ(rules->all()[7], (AppRule{"a00007", u"Q"}));
    EXPECT_EQ(rules->match("", "A99999"), &rules->all().back());
}

TEST(AppRules, ADamagedFileIsKeptAsideAndTheNextSaveStartsAfresh) {
    const std::pair<std::string, const char*> damaged[] = {
        {"", "app_rules.txt is empty"},
        {"xmessage\tGame\n", "app_rules.txt line 1: not an application rules file"},
        {"# VELOR application rules 1\nxmessage Game\n",
         "app_rules.txt line 2: not an application and a profile parted by one tab"},
        {"# VELOR application rules 1\na\tb\tc\n",
         "app_rules.txt line 2: not an application and a profile parted by one tab"},
        {"# VELOR application rules 1\na\\x\tGame\n", "app_rules.txt line 2: a name is damaged"},
        {"# VELOR application rules 1\na\t\n", "app_rules.txt line 2: a name is damaged"},
        {"# VELOR application rules 1\na\t\xff\n", "app_rules.txt line 2: a name is damaged"},
        {"# VELOR application rules 1\n\tGame\n",
         "app_rules.txt line 2: the application is not named"},
        {"# VELOR application rules 1\nxterm\tGame\n" + std::string(256, 'a') + "\tGame\n",
         "app_rules.txt line 3: the application name is longer than 255 characters"},
    };
    for (const auto& [text, why] : damaged) {
        testing::TempFolder temp;
        const fs::path file = temp.path() / "app_rules.txt";
        writeText(file, text);
        ProfileFollower follower;
        const auto told = follower.load(file, true);
        ASSERT_TRUE(told) << text;
        EXPECT_TRUE(told->starts_with(why)) << *told;
        EXPECT_TRUE(follower.rules().all().empty());
        // The damaged bytes wait beside it; the next save starts afresh.
        int kept = 0;
        for (const auto& e : fs::directory_iterator(temp.path()))
            if (e.path().filename().string().starts_with("app_rules.txt.damaged-")) {
                EXPECT_EQ(readText(e.path()), text);
                ++kept;
            }
        EXPECT_EQ(kept, 1) << text;
        EXPECT_FALSE(fs::exists(file));
        ASSERT_FALSE(follower.rules().add("xterm", u"Game"));
        EXPECT_TRUE(follower.save(nullptr));
        EXPECT_EQ(readText(file), "# VELOR application rules 1\nxterm\tGame\n");
    }
}

// The slot follows the front application; the user's own choice is what it
// goes back to, and a rule never overwrites it.
TEST(ProfileFollower, SwitchesForARuleAndGoesBackToTheUsersProfile) {
    ProfileFollower f;
    ASSERT_FALSE(f.rules().add("xmessage", u"Game"));
    ASSERT_FALSE(f.rules().add("Navigator", u"Web"));
    using Want = std::optional<std::u16string>;
    struct Step {
        const char* windowClass;
        const char* executable;
        const char16_t* current;
        Want switchTo;
    };
    const Step steps[] = {
        {"XTerm", "xterm", u"Default", std::nullopt},  // no rule, nothing switched yet
        {"Xmessage", "xmessage", u"Default", u"Game"},
        {"Xmessage", "xmessage", u"Game", std::nullopt},  // the same again
        {"Navigator", "firefox-esr", u"Game", u"Web"},    // rule to rule
        {"velor", "velor", u"Web", u"Default"},           // back to the user's
        {"velor", "velor", u"Default", std::nullopt},
        {"", "XMESSAGE", u"Default", u"Game"},  // the executable alone
    };
    for (const Step& s : steps)
        EXPECT_EQ(f.onFront(s.windowClass, s.executable, s.current), s.switchTo)
            << s.windowClass << " " << s.executable;
    EXPECT_EQ(f.usersProfile(), Want(u"Default"));
    // The user's profile renamed while a rule's is in force: it goes back there.
    EXPECT_FALSE(f.onRename(u"default", u"Mine"));
    EXPECT_EQ(f.onFront("XTerm", "xterm", u"Game"), Want(u"Mine"));
    // Choosing a profile while a rule's is in force makes it the user's.
    EXPECT_EQ(f.onFront("Xmessage", "", u"Mine"), Want(u"Game"));
    f.onUserChoice();
    EXPECT_EQ(f.onFront("XTerm", "", u"Other"), std::nullopt);
    // A deleted profile takes its rules along, and is not gone back to.
    EXPECT_EQ(f.onFront("Navigator", "", u"Other"), Want(u"Web"));
    EXPECT_TRUE(f.onDelete(u"other") == false);
    EXPECT_EQ(f.onFront("XTerm", "", u"Web"), std::nullopt);
    EXPECT_TRUE(f.onDelete(u"Web"));
    EXPECT_EQ(f.onFront("Navigator", "", u"Game"), std::nullopt);
}

// The user's own profile kept on disk while a rule's is in force: read back
// at the next start; a damaged record is kept aside and forgotten.
TEST(ProfileFollower, TheUsersProfileIsKeptWhileARulesProfileIsInForce) {
    testing::TempFolder temp;
    const fs::path file = temp.path() / "users_profile.txt";
    using Want = std::optional<std::u16string>;
    {
        ProfileFollower f;
        ASSERT_FALSE(f.loadUsersProfile(file, true));
        ASSERT_FALSE(f.rules().add("xmessage", u"Game"));
        EXPECT_EQ(f.onFront("Xmessage", "", u"Caf\u00e9\nline"), Want(u"Game"));
        ASSERT_TRUE(f.usersProfileChanged());
        ASSERT_TRUE(f.saveUsersProfile(nullptr));
        EXPECT_FALSE(f.usersProfileChanged());
    }
    EXPECT_EQ(readText(file), "# VELOR user's profile 1\nCaf\xc3\xa9\nline\n");
    ProfileFollower again;
    ASSERT_FALSE(again.loadUsersProfile(file, true));
    ASSERT_FALSE(again.rules().add("xmessage", u"Game"));
    EXPECT_EQ(again.usersProfile(), Want(u"Caf\u00e9\nline"));
    EXPECT_EQ(again.onFront("XTerm", "", u"Game"), Want(u"Caf\u00e9\nline"));
    ASSERT_TRUE(again.saveUsersProfile(nullptr));
    EXPECT_FALSE(fs::exists(file));

    const std::string damaged[] = {
        "",
        "Game\n",
        "# VELOR user's profile 1\n\n",
        "# VELOR user's profile 1\nGame",
        "# VELOR user's profile 1\n\xff\n",
        "# VELOR user's profile 1\n" + std::string(100, 'a') + "\n",
    };
    for (const std::string& text : damaged) {
        testing::TempFolder t;
        const fs::path f = t.path() / "users_profile.txt";
        writeText(f, text);
        ProfileFollower follower;
        const auto told = follower.loadUsersProfile(f, true);
        ASSERT_TRUE(told) << text;
        EXPECT_TRUE(told->starts_with("users_profile.txt does not name a profile; kept as "))
            << *told;
        EXPECT_EQ(follower.usersProfile(), std::nullopt);
        EXPECT_FALSE(fs::exists(f));
        // Without the stores' lock it is another program's to mend.
        writeText(f, text);
        EXPECT_TRUE(follower.loadUsersProfile(f, false)->ends_with("; it is left as it is"));
        EXPECT_EQ(readText(f), text);
    }
}

}  // namespace
}  // namespace velor
