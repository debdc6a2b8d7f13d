#include "store/name_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace velor {
namespace {

TEST(NameRules, TakenIgnoresCase) {
    const std::vector<std::u16string> names = {u"Game", u"Work", u"Ünïcode", u"Игра"};
    EXPECT_TRUE(nameTaken(names, u"GAME"));
    EXPECT_TRUE(nameTaken(names, u"game"));
    EXPECT_TRUE(nameTaken(names, u"ünÏCODE"));
    EXPECT_TRUE(nameTaken(names, u"ИГРА"));
    EXPECT_FALSE(nameTaken(names, u"Gam"));
    EXPECT_FALSE(nameTaken(names, u"Game "));
}

TEST(NameRules, UniqueNameTakesTheFirstFreeNumber) {
    EXPECT_EQ(uniqueName(std::vector<std::u16string>{u"Profile1"}, u"Profile1", 99), u"Profile1_1");
    EXPECT_EQ(uniqueName(std::vector<std::u16string>{u"Game", u"game_1"}, u"Game", 99), u"Game_2");
    EXPECT_EQ(uniqueName(std::vector<std::u16string>{u"Work"}, u"Game", 99), u"Game");
}

TEST(NameRules, LongBasesAreShortenedSoTheSuffixAlwaysFits) {
    const std::u16string long99(99, u'x');
    std::vector<std::u16string> names = {long99};
    const std::u16string first = uniqueName(names, long99, 99);
    EXPECT_EQ(first, std::u16string(97, u'x') + u"_1");

    // A base far over the limit is cut first, then compared.
    EXPECT_EQ(uniqueName(names, std::u16string(300, u'x'), 99), first);

    // Hundreds of collisions still end, every name within the limit and new.
    for (int i = 0; i < 120; ++i) {
        const std::u16string next = uniqueName(names, long99, 99);
        ASSERT_LE(next.size(), 99u);
        ASSERT_FALSE(nameTaken(names, next));
        names.push_back(next);
    }
    EXPECT_EQ(names.back(), std::u16string(95, u'x') + u"_120");

    // The macro limit: 23 units.
    const std::vector<std::u16string> macros = {u"ABCDEFGHIJKLMNOPQRSTUVW"};
    EXPECT_EQ(uniqueName(macros, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 23), u"ABCDEFGHIJKLMNOPQRSTU_1");
}

TEST(NameRules, ACutNeverSplitsASurrogatePair) {
    const std::u16string base = std::u16string(21, u'a') + u"🎮";  // 23 units
    const std::vector<std::u16string> names = {base};
    EXPECT_EQ(uniqueName(names, base, 23), std::u16string(21, u'a') + u"_1");
    EXPECT_EQ(cutName(base, 22), std::u16string(21, u'a'));
}

}  // namespace
}  // namespace velor
