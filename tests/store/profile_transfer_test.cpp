#include "store/profile_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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
        std::vector<std::uint8_t>(profiles.current().bytes().begin(), profiles.current().bytes().end()));

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
    testing::assignMacro(twice, 2, std::span(&m, 1));
    testing::assignMacro(twice, 3, std::span(&m, 1));
    twice.button(1).setMacroName(u"M");
    twice.button(2).setMacroName(u"M");
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
    EXPECT_EQ(*profiles.current().button(2).macroName(), u"M_1");
}

TEST_F(ProfileTransferTest, AFileThatIsNotAProfileOfThisSlotChangesNothing) {
    ASSERT_TRUE(writeFileAtomically(path("short.pro"), std::vector<std::uint8_t>(32988, 0)));
    const auto refused = importProfile(profiles, macros, path("short.pro"));
    ASSERT_FALSE(refused);
    EXPECT_THAT(refused.error(), ::testing::HasSubstr("32988 bytes"));
    EXPECT_EQ(profiles.size(), 2u);
    EXPECT_EQ(macros.records.size(), 1u);
}

// A file of the right length is still refused when a value does not fit the
// slot, naming the first field (by offset) that does not; nothing changes.
// Records of another model of the same length are caught this way: the
// reference and swapped shapes keep lightParam (always 2) and the sleep timer
// in each other's place, and the slots differ in DPI units and polling rates.
TEST_F(ProfileTransferTest, ARecordThatDoesNotFitTheSlotNamesItsFirstMisfit) {
    using Change = std::function<void(ProfileRecord&)>;
    const Change none = [](ProfileRecord&) {};
    struct Case {
        int madeFor;
        int target;
        Change change;
        const char* says;
    };
    const Case cases[] = {
        {10, 3, none, "slot 3: lightParam is 10, but every profile of slot 3 holds 2"},
        {3, 10, none, "slot 10: lightParam is 10, but every profile of slot 10 holds 2"},
        {7, 10, [](ProfileRecord& r) { r.set(Field::dpiX, 220, 5); },  // 12000 DPI
         "dpiX[5] is 220, outside 2..100 (200 to 10000 DPI on slot 10)"},
        {10, 7, [](ProfileRecord& r) { r.set(Field::sleepTimer, 25); },
         "lightOffTimer is 25, outside 1..20"},
        {2, 1, [](ProfileRecord& r) { r.set(Field::dpiX, 520, 0); },  // 26000 DPI
         "dpiX[0] is 520, outside 1..220"},
        {3, 5, none, "pollingRate is 6, outside 0..3"},  // 8000 Hz
        {10, 10, [](ProfileRecord& r) { r.set(Field::dpiEnabled, 1, 6); },  // a level without DPI
         "dpiX[6] is 0, outside 2..100"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::dpiEnabled, 2, 2); },
         "dpiEnabled[2] is 2, outside 0..1"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::dpiLevel, 8); }, "dpiLevel is 8, outside 0..7"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::brightness, 0); },
         "brightness is 0, outside 1..8"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::motionSync, 2); },
         "motionSync is 2, outside 0..1"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::lightMode, 12); },
         "lightMode is 12, outside 0..11"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::keyDebounce, 16); },
         "keyDebounce is 16, outside 1..15"},
        {10, 10, [](ProfileRecord& r) { r.set(Field::dpiColour, 0x01000000, 7); },
         "dpiColour[7]: its fourth byte is not zero"},
        {10, 10, [](ProfileRecord& r) { r.button(4).set(SlotField::function, 99); },
         "button 5: function 99 is not a function of the mouse"},
        {10, 10, [](ProfileRecord& r) { r.button(0).set(SlotField::function, 2); },
         "none of buttons 1..16 is a left click"},
        {10, 10, [](ProfileRecord& r) { r.button(19).set(SlotField::keyCode, 4); },
         "button 20: a spare slot that is not zero"},
    };
    for (const Case& c : cases) {
        ProfileRecord made = newRecord(descriptorFor(c.madeFor)->record, u"Made");
        c.change(made);
        ASSERT_TRUE(writeFileAtomically(path("made.pro"), made.bytes()));
        ProfileList target{*descriptorFor(c.target)};
        target.reset({}, {newRecord(descriptorFor(c.target)->record, u"Own")}, 0);
        const auto refused = importProfile(target, macros, path("made.pro"));
        ASSERT_FALSE(refused) << c.says;
        EXPECT_THAT(refused.error(), ::testing::HasSubstr(c.says));
        EXPECT_EQ(target.size(), 1u) << c.says;
        EXPECT_EQ(macros.records.size(), 1u) << c.says;
    }
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
