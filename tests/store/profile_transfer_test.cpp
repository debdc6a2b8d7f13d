#include "store/profile_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

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
    // A record made for slot madeFor and changed, written as made.pro.
    template <typename Change>
    ProfileRecord writeMade(int madeFor, const Change& change) {
        ProfileRecord made = newRecord(descriptorFor(madeFor)->record, u"Made");
        change(made);
        EXPECT_TRUE(writeFileAtomically(path("made.pro"), made.bytes()));
        return made;
    }
    // The list a file is imported into: one profile of its own.
    static void holdOwn(ProfileList& target) {
        target.reset({}, {newRecord(target.model().record, u"Own")}, 0);
    }

    testing::TempFolder temp;
    ProfileList profiles{ms10()};
    MacroList macros;
};

TEST_F(ProfileTransferTest, ExportThenImportMakesACopyWithItsOwnMacros) {
    ASSERT_TRUE(exportProfile(profiles, path("game.pro")));
    EXPECT_EQ(*readWholeFile(path("game.pro"), 1 << 20),
              std::vector<std::uint8_t>(profiles.current().bytes().begin(),
                                        profiles.current().bytes().end()));

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

// A file of the right length is refused only where the layout shows it to be
// another model's or damaged, naming the first such field; nothing changes.
// The reference and swapped shapes keep lightParam (always 2) and the sleep
// timer in each other's place, which tells one from the other.
TEST_F(ProfileTransferTest, AnotherModelsOrADamagedRecordIsRefusedNamingWhy) {
    using Change = std::function<void(ProfileRecord&)>;
    const Change none = [](ProfileRecord&) {};
    const Change macro = [](ProfileRecord& r) {
        r.button(6).set(SlotField::function, 17);
        r.button(6).setMacroName(u"M");
    };
    const struct {
        int madeFor, target;
        Change change;
        const char* says;
    } cases[] = {
        {10, 3, none, "slot 3: lightParam is 10, but every profile of slot 3 holds 2"},
        {3, 10, none, "slot 10: lightParam is 10, but every profile of slot 10 holds 2"},
        {10, 4, none, "slot 4: lightParam is 10, but every profile of slot 4 holds 2"},
        {10, 10,
         [](ProfileRecord& r) {
             for (std::uint32_t i = 0; i < 100; ++i) r.set(Field::name, 'x', i);
         },
         "name: the profile name has no terminator in its array"},
        {10, 10,
         [&](ProfileRecord& r) {
             macro(r);
             r.button(6).set(SlotField::macroActionCount, 47);
         },
         "button 7: macro action count 47 is above 46"},
        {10, 10,
         [&](ProfileRecord& r) {
             macro(r);
             for (int i = 0; i < 24; ++i) r.button(6).bytes()[16 + 2 * i] = 'm';
         },
         "button 7: the macro name has no terminator in its array"},
    };
    for (const auto& c : cases) {
        writeMade(c.madeFor, c.change);
        ProfileList target{*descriptorFor(c.target)};
        holdOwn(target);
        const auto refused = importProfile(target, macros, path("made.pro"));
        ASSERT_FALSE(refused) << c.says;
        EXPECT_THAT(refused.error(), ::testing::HasSubstr(c.says));
        EXPECT_EQ(target.size(), 1u) << c.says;
        EXPECT_EQ(macros.records.size(), 1u) << c.says;
    }
}

// Values the window's controls do not offer are taken as they are and named,
// once, by offset; an enabled level without a value takes one as a tick in
// the window gives it (the nearest level below with a usable one, else the
// slot's first default), and the notes say so first.
TEST_F(ProfileTransferTest, ValuesTheWindowCannotSetAreTakenAndNamed) {
    using Change = std::function<void(ProfileRecord&)>;
    const struct {
        int madeFor, target;
        Change change;
        std::vector<std::string> notes;
    } cases[] = {
        {10, 10, [](ProfileRecord&) {}, {}},
        {1,
         2,
         [](ProfileRecord& r) { r.set(Field::dpiX, 600, 5); },  // 30000 DPI
         {"dpiX[5] is 600, the window sets 1..520 (50 to 26000 DPI on slot 2)"}},
        {10,
         7,
         [](ProfileRecord& r) { r.set(Field::sleepTimer, 25); },  // in its light-off place
         {"lightOffTimer is 25, the window sets 1..20"}},
        {3, 5, [](ProfileRecord&) {}, {"pollingRate is 6, the window sets 0..3"}},  // 8000 Hz
        {10,
         10,
         [](ProfileRecord& r) {
             r.set(Field::dpiEnabled, 1, 6);  // 0 DPI: level 6's 5000
             r.set(Field::dpiEnabled, 1, 7);
             r.set(Field::dpiEnabled, 2, 2);
             r.set(Field::dpiLevel, -1);
             r.set(Field::brightness, 0);
             r.set(Field::motionSync, 2);
             r.set(Field::keyDebounce, 400);
             r.set(Field::sleepTimer, 0);
             r.set(Field::dpiColour, 0x01000000, 7);
             r.button(0).set(SlotField::function, 2);
             r.button(4).set(SlotField::function, 99);
             r.button(5).set(SlotField::function, 16);
             r.button(5).set(SlotField::modifiers, 0x30);
         },
         {"DPI level 7 takes part in the cycle without a value: it takes 5000 DPI, as a tick in "
          "the window gives it",
          "DPI level 8 takes part in the cycle without a value: it takes 5000 DPI, as a tick in "
          "the window gives it",
          "dpiEnabled[2] is 2, the window sets 0..1", "brightness is 0, the window sets 1..8",
          "sleepTimer is 0, the window sets 1..30", "dpiLevel is -1, the window sets 0..7",
          "motionSync is 2, the window sets 0..1", "keyDebounce is 400, the window sets 1..15",
          "dpiColour[7] has a fourth byte, which the window does not keep",
          "button 5: function 99, which the window has no entry for",
          "button 6: modifiers 48, more than the window's Ctrl, Shift, Alt and Win",
          "none of buttons 1..16 is a left click, which the window always keeps"}},
        {10,
         10,
         [](ProfileRecord& r) {
             for (std::uint32_t i = 0; i < kDpiLevels; ++i) r.set(Field::dpiX, i < 2 ? 0 : 200, i);
             r.set(Field::dpiEnabled, 1, 1);  // nothing usable below: the first default
         },
         {"DPI level 1 takes part in the cycle without a value: it takes 400 DPI, as a tick in "
          "the window gives it",
          "DPI level 2 takes part in the cycle without a value: it takes 400 DPI, as a tick in "
          "the window gives it",
          "dpiX[2] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)",
          "dpiX[3] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)",
          "dpiX[4] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)",
          "dpiX[5] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)",
          "dpiX[6] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)",
          "dpiX[7] is 200, the window sets 2..100 (200 to 10000 DPI on slot 10)"}},
    };
    for (const auto& c : cases) {
        const ProfileRecord made = writeMade(c.madeFor, c.change);
        ProfileList target{*descriptorFor(c.target)};
        holdOwn(target);
        const auto imported = importProfile(target, macros, path("made.pro"));
        ASSERT_TRUE(imported) << imported.error();
        EXPECT_EQ(imported->notes, c.notes);
        // Taken byte for byte, but for the levels given a value.
        ProfileRecord expected = made;
        for (const std::string& note : c.notes)
            if (note.starts_with("DPI level "))
                expected.set(Field::dpiX, note.find("5000") != std::string::npos ? 50 : 4,
                             static_cast<std::uint32_t>(note[10] - '1'));
        const std::lock_guard guard(target.lock());
        EXPECT_TRUE(std::ranges::equal(target.current().bytes(), expected.bytes()))
            << c.notes.size();
    }
}

// Records of every slot whose every field holds any value its size allows
// (edge values often), made sound only where the layout needs it: each is
// taken byte for byte, apart from its macro buttons' names and indexes and
// the enabled levels without a value, which take the value worked out here.
TEST_F(ProfileTransferTest, AnyValueEachFieldsSizeAllowsIsTaken) {
    std::mt19937 rng(35);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    // Bytes of one element: random, or 0, all ones, the highest or lowest signed.
    const auto fill = [&](std::span<std::uint8_t> e) {
        const int kind = pick(0, 5);
        for (std::size_t i = 0; i < e.size(); ++i) {
            const bool last = i + 1 == e.size();
            e[i] = kind == 0   ? 0
                   : kind == 1 ? 0xFF
                   : kind == 2 ? (last ? 0x7F : 0xFF)
                   : kind == 3 ? (last ? 0x80 : 0)
                               : static_cast<std::uint8_t>(pick(0, 255));
        }
    };
    // The level values the window offers on a slot.
    const auto usable = [](const ModelDescriptor& d, int v) {
        if (d.dpiMapping == DpiMapping::Linear100) return v >= 2 && v <= 100;
        if (d.dpiMapping == DpiMapping::Linear50) return v >= 1 && v <= 520;
        return v >= 1 && v <= (d.dpiMax == 19000 ? 290 : 220);
    };
    int taken = 0, mended = 0;
    for (int slot = 1; slot <= 10; ++slot) {
        const ModelDescriptor& d = *descriptorFor(slot);
        for (int n = 0; n < 30; ++n) {
            ProfileRecord r = newRecord(d.record, u"R");
            for (const auto& f : r.layout().fields())
                for (std::uint32_t i = 0; i < f.count; ++i)
                    fill(r.bytes().subspan(f.offset + i * f.elementBytes(), f.elementBytes()));
            for (int k = 0; k < kButtonSlotCount; ++k)
                for (const auto& f : buttonSlotLayout().fields())
                    for (std::uint32_t i = 0; i < f.count; ++i)
                        fill(std::span(r.button(k).bytes())
                                 .subspan(f.offset + i * f.elementBytes(), f.elementBytes()));
            r.setName(u"R");
            if (r.layout().find(Field::lightParam)) r.set(Field::lightParam, 2);
            for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
                if (pick(0, 2) == 0) r.set(Field::dpiEnabled, 1, i);
                if (pick(0, 2) == 0) r.set(Field::dpiX, 0, i);
            }
            int macroButtons = 0;
            for (int k = 0; k < kButtonCount; ++k) {
                ButtonSlot b = r.button(k);
                if (pick(0, 5) == 0) b.set(SlotField::function, 17);
                if (b.function() != 17) continue;
                b.set(SlotField::macroActionCount, pick(0, 20));  // the mouse keeps them
                b.setMacroName(u"M");
                ++macroButtons;
            }
            ProfileRecord expected = r;
            for (int level = 0; level < kDpiLevels; ++level) {
                const auto i = static_cast<std::uint32_t>(level);
                if (r.get(Field::dpiEnabled, i) != 1 || r.get(Field::dpiX, i) != 0) continue;
                int value = d.record.defaults.dpi[0];
                for (int k = level; k >= 0; --k) {
                    const int v = r.i32(Field::dpiX, static_cast<std::uint32_t>(k));
                    if (usable(d, v)) {
                        value = v;
                        break;
                    }
                }
                expected.set(Field::dpiX, value, i);
                ++mended;
            }
            MacroList own;
            int made = 0;
            for (int k = 0; k < kButtonCount; ++k) {
                ButtonSlot b = expected.button(k);
                if (b.function() != 17) continue;
                std::u16string name = u"M";
                if (made > 0)
                    for (const char ch : "_" + std::to_string(made)) name += ch;
                b.setMacroName(name);
                b.set(SlotField::macroIndex, made++);
            }
            ASSERT_TRUE(writeFileAtomically(path("any.pro"), r.bytes()));
            ProfileList target{d};
            const auto imported = importProfile(target, own, path("any.pro"));
            ASSERT_TRUE(imported) << "slot " << slot << ": " << imported.error();
            EXPECT_EQ(imported->macrosCreated, macroButtons);
            const std::lock_guard guard(target.lock());
            EXPECT_TRUE(std::ranges::equal(target.current().bytes(), expected.bytes()))
                << "slot " << slot << " record " << n;
            ++taken;
        }
    }
    EXPECT_EQ(taken, 300);
    EXPECT_GT(mended, 100);  // the mending was tried often
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
    EXPECT_THAT(refused.error(),
                ::testing::HasSubstr("button 3: the macro takes more slots than the "
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
