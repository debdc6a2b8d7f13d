#include "store/profile_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "platform/file_io.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using testing::ms10;

class ProfileTransferTest : public ::testing::Test {
  protected:
    ProfileTransferTest() {
        ProfileRecord game = newRecord(ms10().record, u"Game");
        const MacroAction jump[] = {{0x2C, MacroAction::kPress, 20},
                                    {0x2C, MacroAction::kRelease, 1500}};
        testing::assignMacro(game, 4, jump);
        game.button(3).setMacroName(u"Jump");
        game.button(3).set(SlotField::macroLoopTimes, 3);
        profiles.reset({}, {newRecord(ms10().record, u"Work"), std::move(game)}, 1);
        macros.records = {MacroRecord::named(u"Jump")};
    }
    std::string path(const char* name) const { return (temp.path() / name).string(); }

    testing::TempFolder temp;
    ProfileList profiles{ms10()};
    MacroList macros;
};

TEST_F(ProfileTransferTest, ExportThenImportMakesACopyWithItsOwnMacros) {
    ASSERT_TRUE(exportProfile(profiles, path("game.pro")));
    EXPECT_EQ(
        *readWholeFile(path("game.pro"), 1 << 20),
        std::vector<std::uint8_t>(profiles.at(1).bytes().begin(), profiles.at(1).bytes().end()));

    const auto imported = importProfile(profiles, macros, path("game.pro"));
    ASSERT_TRUE(imported) << imported.error();
    EXPECT_EQ(imported->index, 2);
    EXPECT_EQ(imported->macrosCreated, 1);
    EXPECT_EQ(profiles.currentIndex(), 2);
    EXPECT_EQ(*profiles.current().name(), u"Game_1");
    ASSERT_EQ(macros.records.size(), 2u);
    EXPECT_EQ(*macros.records[1].name(), u"Jump_1");
    EXPECT_EQ(macros.records[1].loopTimes(), 3);
    EXPECT_EQ(macros.records[1].actionCount(), 2);
    EXPECT_EQ(macros.records[1].action(1).delay, 1500);
    const ConstButtonSlot slot = profiles.current().button(3);
    EXPECT_EQ(*slot.macroName(), u"Jump_1");
    EXPECT_EQ(slot.macroIndex(), 1);
}

TEST_F(ProfileTransferTest, FreeNamesStayAndOnlyMacroButtonsMakeMacros) {
    ProfileRecord solo = newRecord(ms10().record, u"Solo");
    solo.button(5).setMacroName(u"Old");  // not a macro button any more
    const MacroAction m{0x04, MacroAction::kPress, 10};
    ProfileRecord twice = newRecord(ms10().record, u"Twice");
    testing::assignMacro(twice, 1, std::span(&m, 1));
    testing::assignMacro(twice, 2, std::span(&m, 1));
    twice.button(0).setMacroName(u"M");
    twice.button(1).setMacroName(u"M");
    ASSERT_TRUE(writeFileAtomically(path("solo.pro"), solo.bytes()));
    ASSERT_TRUE(writeFileAtomically(path("twice.pro"), twice.bytes()));

    const auto first = importProfile(profiles, macros, path("solo.pro"));
    ASSERT_TRUE(first);
    EXPECT_EQ(*profiles.current().name(), u"Solo");
    EXPECT_EQ(first->macrosCreated, 0);
    EXPECT_EQ(macros.records.size(), 1u);

    ASSERT_TRUE(importProfile(profiles, macros, path("twice.pro")));
    ASSERT_EQ(macros.records.size(), 3u);
    EXPECT_EQ(*macros.records[1].name(), u"M");
    EXPECT_EQ(*macros.records[2].name(), u"M_1");
    EXPECT_EQ(*profiles.current().button(1).macroName(), u"M_1");
}

TEST_F(ProfileTransferTest, AFileThatIsNotAProfileOfThisSlotChangesNothing) {
    ASSERT_TRUE(writeFileAtomically(path("short.pro"), std::vector<std::uint8_t>(32988, 0)));
    const auto refused = importProfile(profiles, macros, path("short.pro"));
    ASSERT_FALSE(refused);
    EXPECT_THAT(refused.error(), ::testing::HasSubstr("32988 bytes"));
    EXPECT_EQ(profiles.size(), 2u);
    EXPECT_EQ(macros.records.size(), 1u);
}

// 46 actions of which two wait longer than 1280 ms take 48 slots: more than
// the mouse keeps. Such a file is refused whole, and says why.
TEST_F(ProfileTransferTest, AMacroTheMouseCannotKeepRefusesTheFile) {
    ProfileRecord r = newRecord(ms10().record, u"Long");
    std::vector<MacroAction> steps(46, MacroAction{0x04, MacroAction::kPress, 10});
    steps[0].delay = steps[1].delay = 1281;
    testing::assignMacro(r, 3, steps);
    ASSERT_TRUE(writeFileAtomically(path("long.pro"), r.bytes()));
    const auto refused = importProfile(profiles, macros, path("long.pro"));
    ASSERT_FALSE(refused);
    EXPECT_THAT(refused.error(), ::testing::HasSubstr("button 3: the macro takes more slots than the "
                                                      "mouse keeps (48 of at most 47)"));
    EXPECT_EQ(profiles.size(), 2u);
    EXPECT_EQ(macros.records.size(), 1u);

    steps[1].delay = 1280;  // 47 slots: kept
    testing::assignMacro(r, 3, steps);
    ASSERT_TRUE(writeFileAtomically(path("long.pro"), r.bytes()));
    EXPECT_TRUE(importProfile(profiles, macros, path("long.pro")));
}

}  // namespace
}  // namespace velor
