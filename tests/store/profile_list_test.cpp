#include "store/profile_list.h"

#include <gtest/gtest.h>

#include "../support/fixed_texts.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "store/macro_store.h"
#include "store/profile_store.h"

namespace velor {
namespace {

using testing::ms10;

class ProfileListTest : public ::testing::Test {
  protected:
    void fill(std::initializer_list<const char16_t*> names, int current = 0) {
        std::vector<ProfileRecord> records;
        for (const char16_t* n : names) records.push_back(newRecord(ms10().record, n));
        list.reset({}, std::move(records), current);
    }
    ProfileList list{ms10()};
};

TEST_F(ProfileListTest, NamesAreUniqueWhateverTheCase) {
    fill({u"Game", u"Work"}, 1);
    EXPECT_FALSE(list.add(u"GAME"));
    EXPECT_FALSE(list.renameCurrent(u"game"));
    EXPECT_FALSE(list.renameCurrent(u"Work"));  // its own name again
    EXPECT_FALSE(list.renameCurrent(u"WORK"));
    EXPECT_FALSE(list.add(u""));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(list.renameCurrent(u"Office"));
    EXPECT_EQ(*list.current().name(), u"Office");
    EXPECT_TRUE(list.add(u"Aim"));
    EXPECT_EQ(list.currentIndex(), 2);
}

// No list grows past what one store file holds (512 MiB): (536,870,912 -
// 164,964) / 32,992 = 16,267 profiles of slot 10; a save could not be read back.
TEST_F(ProfileListTest, AFullListRefusesMoreAndSaysWhy) {
    std::vector<ProfileList::Stored> stored(16266);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        for (const char c : std::to_string(i)) stored[i].name += static_cast<char16_t>(c);
    }
    list.reset({}, std::move(stored), 0, nullptr);
    EXPECT_FALSE(list.full());
    EXPECT_TRUE(list.add(u"Last"));
    EXPECT_TRUE(list.full());
    EXPECT_FALSE(list.add(u"More"));
    EXPECT_EQ(list.append(newRecord(ms10().record, u"Imported")), -1);
    EXPECT_EQ(list.size(), 16267u);
    EXPECT_EQ(list.fullReason(),
              "the profile list is full: one store holds at most 16267 profiles; delete one to "
              "add another");
}

TEST_F(ProfileListTest, DeleteSelectsTheNeighbourAndKeepsTheLastProfile) {
    fill({u"A", u"B", u"C"}, 2);
    EXPECT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(*list.current().name(), u"B");
    list.select(0);
    EXPECT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(*list.current().name(), u"B");
    EXPECT_FALSE(list.removeCurrent());
    EXPECT_EQ(list.size(), 1u);
    EXPECT_FALSE(list.select(1));
}

TEST_F(ProfileListTest, RestoreKeepsTheNameAndDefaultProfilesAreNumbered) {
    fill({u"Mine"});
    list.current().set(Field::pollingRate, 0);
    list.current().set(Field::moveMode, 1);
    list.restoreCurrent();
    EXPECT_EQ(*list.current().name(), u"Mine");
    EXPECT_EQ(list.current().get(Field::pollingRate), 3);
    EXPECT_EQ(list.current().get(Field::moveMode), 1);

    fill({u"Profile2"});
    list.addDefaultProfile(testing::FixedTexts());
    EXPECT_EQ(*list.record(1).name(), u"Profile2_1");  // "Profile" + "2" was taken
    EXPECT_EQ(list.currentIndex(), 0);                 // added, not selected
}

// A language file that cannot be read gives text ids (or nothing); the names
// a store keeps are then the built-in English ones, never an id.
TEST_F(ProfileListTest, NewNamesAreEnglishWhenTheLanguageGivesNoText) {
    struct Lookup final : TextLookup {
        std::u16string (*give)(std::string_view);
        explicit Lookup(std::u16string (*g)(std::string_view)) : give(g) {}
        std::u16string text(std::string_view id) const override { return give(id); }
    };
    const struct {
        std::u16string (*give)(std::string_view);
        const char16_t* profile;
        const char16_t* macro;
    } cases[] = {
        {[](std::string_view id) { return std::u16string(id.begin(), id.end()); }, u"Profile 1",
         u"Macro 1"},
        {[](std::string_view) { return std::u16string(); }, u"Profile 1", u"Macro 1"},
        {[](std::string_view id) {
             return std::u16string(id == "add_profile_text" ? u"Profil " : u"Makro ");
         },
         u"Profil 1", u"Makro 1"},
    };
    for (const auto& c : cases) {
        ProfileList fresh{ms10()};
        fresh.addDefaultProfile(Lookup(c.give));
        EXPECT_EQ(*fresh.record(0).name(), c.profile);
        MacroList macros;
        EXPECT_EQ(*addMacro(macros, Lookup(c.give)).name(), c.macro);
    }
}

// A profile that is not current is read from the store file where it lies,
// also after saves have put new files in its place (Windows refuses that over
// a file still open, so the list lets it go around each rename).
TEST_F(ProfileListTest, ProfilesReadWhereTheyLieSurviveSavesThatReplaceTheFile) {
    testing::TempFolder temp;
    {
        ProfileList written(ms10());
        written.reset({},
                      {newRecord(ms10().record, u"A"), newRecord(ms10().record, u"B"),
                       newRecord(ms10().record, u"C")},
                      0);
        ASSERT_TRUE(saveProfiles(written, temp.folder()));
    }
    ProfileList loaded(ms10());
    loadProfiles(loaded, temp.folder(), testing::FixedTexts());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(loaded.select(round));
        loaded.current().set(Field::dpiLevel, 4 + round);
        std::string error;
        ASSERT_TRUE(saveProfiles(loaded, temp.folder(), &error)) << error;
    }
    EXPECT_EQ(loaded.record(0).get(Field::dpiLevel), 4);  // from the second save's file
    EXPECT_EQ(loaded.record(2), newRecord(ms10().record, u"C"));
    ProfileList again(ms10());
    loadProfiles(again, temp.folder(), testing::FixedTexts());
    EXPECT_EQ(again.currentIndex(), 1);
    EXPECT_EQ(again.record(1).get(Field::dpiLevel), 5);
}

}  // namespace
}  // namespace velor
