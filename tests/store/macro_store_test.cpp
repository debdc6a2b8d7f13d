#include "store/macro_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "../support/fixed_texts.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "store/macro_resync.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ms10;

MacroAction step(std::uint16_t delay) {
    return {0x04, MacroAction::kPress, delay};
}

MacroRecord macro(std::u16string_view name, std::initializer_list<MacroAction> actions) {
    MacroRecord m = MacroRecord::named(name);
    int i = 0;
    for (const MacroAction& a : actions) m.setAction(i++, a);
    m.setActionCount(i);
    return m;
}

TEST(MacroRecord, SlotCountDecidesWhatTheMouseCanHold) {
    const std::vector<MacroAction> withLong = {step(10), step(1281), step(10), step(10)};
    const std::vector<MacroAction> atLimit = {step(10), step(1280), step(10), step(10)};
    EXPECT_EQ(macroSlotCount(withLong), 5);
    EXPECT_EQ(macroSlotCount(atLimit), 4);
    EXPECT_TRUE(macroFitsTheMouse(std::vector<MacroAction>(46, step(10))));
    EXPECT_FALSE(macroFitsTheMouse(std::vector<MacroAction>(24, step(2000))));  // 48 slots
    EXPECT_TRUE(macroFitsTheMouse(std::vector<MacroAction>(23, step(2000))));   // 46 slots
    EXPECT_FALSE(macroFitsTheMouse(std::vector<MacroAction>(47, step(10))));

    const MacroRecord m = macro(u"Jump", {step(30), {0xF1, MacroAction::kRelease, 500}});
    EXPECT_EQ(m.bytes().size(), 240u);
    EXPECT_EQ(m.bytes()[52], 2);         // action count at 52
    EXPECT_EQ(m.bytes()[56 + 4], 0xF1);  // second action at 60
    EXPECT_EQ(m.bytes()[56 + 6] | m.bytes()[56 + 7] << 8, 500);
}

class MacroStoreTest : public ::testing::Test {
  protected:
    fs::path file() const { return temp.path() / "ms_10" / "macro.data"; }
    testing::TempFolder temp;
    testing::FixedTexts texts;
    MacroList list;
};

TEST_F(MacroStoreTest, NamesRoundTripAndTheLastDeleteLeavesAnEmptyFile) {
    EXPECT_TRUE(loadMacros(list, ms10(), temp.folder()).problems.empty());
    EXPECT_FALSE(fs::exists(file()));  // nothing created by loading

    list.records = {MacroRecord::named(u"Macro1"), MacroRecord::named(u"Macro3")};
    EXPECT_EQ(*addMacro(list, texts).name(), u"Macro3_1");
    ASSERT_TRUE(saveMacros(list, ms10(), temp.folder()));
    EXPECT_EQ(fs::file_size(file()), 3 * 240u);

    MacroList again;
    loadMacros(again, ms10(), temp.folder());
    EXPECT_EQ(again.records, list.records);
    EXPECT_EQ(again.find(u"MACRO3"), 1);

    again.records = {};
    ASSERT_TRUE(saveMacros(again, ms10(), temp.folder()));
    EXPECT_EQ(fs::file_size(file()), 0u);
}

TEST_F(MacroStoreTest, ADamagedFileIsKeptAsideAndMended) {
    MacroRecord bad = macro(u"Fire", {step(10)});
    bad.setActionCount(99);
    std::vector<std::uint8_t> bytes(bad.bytes().begin(), bad.bytes().end());
    bytes.resize(bytes.size() + 10, 0xAB);
    fs::create_directories(file().parent_path());
    ASSERT_TRUE(writeFileAtomically(file(), bytes));

    const MacroLoadReport report = loadMacros(list, ms10(), temp.folder(), [](std::string_view) {});
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_THAT(report.problems[0], HasSubstr("10 trailing bytes"));
    EXPECT_THAT(report.problems[1], HasSubstr("action count 99"));
    EXPECT_EQ(*readWholeFile(report.keptAside, 1 << 20), bytes);
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0].actionCount(), 46);
    EXPECT_EQ(fs::file_size(file()), 240u);

    // Something unreadable in its place is never replaced.
    fs::remove(file());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    MacroList blocked;
    const MacroLoadReport unread =
        loadMacros(blocked, ms10(), temp.folder(), [](std::string_view) {});
    EXPECT_TRUE(unread.problems.empty());
    EXPECT_THAT(unread.unreadable, HasSubstr("it is not a regular file"));
    EXPECT_FALSE(saveMacros(blocked, ms10(), temp.folder()));
    EXPECT_TRUE(fs::is_fifo(file()));
}

class MacroResyncTest : public ::testing::Test {
  protected:
    MacroResyncTest() {
        std::vector<ProfileRecord> records;
        for (const char16_t* name : {u"A", u"B"}) {
            ProfileRecord r = newRecord(ms10().record, name);
            const MacroAction old{0x05, MacroAction::kPress, 10};
            testing::assignMacro(r, 2, std::span(&old, 1));
            r.button(1).set(SlotField::macroRepeatMode, 2);
            r.button(1).set(SlotField::macroLoopTimes, 7);
            testing::assignMacro(r, 13, std::span(&old, 1));
            records.push_back(std::move(r));
        }
        // Button 4 once played "Gone" and was given another function since.
        records[1].button(3).setMacroName(u"Gone");
        profiles.reset({}, std::move(records), 1);
    }
    ProfileList profiles{ms10()};
};

TEST_F(MacroResyncTest, EditedMacrosReachEveryProfileAndMissingOnesFreeTheirButtons) {
    // assignMacro named the macros "Macro"; the editor changed its steps.
    MacroList macros;
    macros.records = {macro(u"MACRO", {step(40), step(50)})};
    EXPECT_TRUE(resyncMacroSlots(profiles, macros).currentTouched);
    for (std::size_t p = 0; p < 2; ++p) {
        const ProfileRecord record = profiles.record(p);
        const ConstButtonSlot slot = record.button(1);
        EXPECT_EQ(slot.function(), 17);
        EXPECT_EQ(*slot.macroName(), u"MACRO");
        EXPECT_EQ(slot.macroActionCount(), 2);
        EXPECT_EQ(slot.action(1).delay, 50);
        EXPECT_EQ(slot.macroRepeatMode(), 2);  // kept
        EXPECT_EQ(slot.macroLoopTimes(), 7);
    }
    // "Gone" is not in the list: button 4 returns to its default, DPI cycle.
    EXPECT_EQ(profiles.record(1).button(3).function(), 6);
    EXPECT_EQ(*profiles.record(1).button(3).macroName(), u"");

    macros.records.clear();  // the macro was deleted
    resyncMacroSlots(profiles, macros);
    EXPECT_EQ(profiles.record(0).button(1).function(), 2);  // right click again
    EXPECT_EQ(profiles.record(0).button(1).macroIndex(), -1);
    EXPECT_EQ(profiles.record(0).button(12).function(), 17);  // buttons 13..18 untouched
}

TEST_F(MacroResyncTest, ACurrentProfileWithoutMacroButtonsNeedsNoRedraw) {
    ProfileList plain(ms10());
    plain.reset({}, {newRecord(ms10().record, u"Plain")}, 0);
    EXPECT_FALSE(resyncMacroSlots(plain, MacroList{}).currentTouched);
    EXPECT_FALSE(resyncMacroSlots(plain, MacroList{}).changed);
}

}  // namespace
}  // namespace velor

#include "store/macro_file.h"

namespace velor {
namespace {

TEST(MacroFile, ExportThenImportGivesNumberedCopiesWithTheSameSteps) {
    testing::TempFolder temp;
    MacroList list;
    list.records = {macro(u"X", {step(30), step(1500)})};
    const std::string file = temp.folder() + "x.macro";
    ASSERT_TRUE(exportMacro(list.records[0], file));
    EXPECT_EQ(
        *readWholeFile(file, 1 << 16),
        std::vector<std::uint8_t>(list.records[0].bytes().begin(), list.records[0].bytes().end()));
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(importMacro(list, file));
    ASSERT_EQ(list.records.size(), 3u);
    EXPECT_EQ(*list.records[1].name(), u"X_1");
    EXPECT_EQ(*list.records[2].name(), u"X_2");
    EXPECT_EQ(list.records[2].action(1).delay, 1500);

    MacroRecord bad = macro(u"Y", {step(10)});
    bad.setActionCount(47);
    ASSERT_TRUE(exportMacro(bad, temp.folder() + "bad.macro"));
    EXPECT_FALSE(importMacro(list, temp.folder() + "bad.macro"));
    ASSERT_TRUE(
        writeFileAtomically(temp.folder() + "short.macro", std::vector<std::uint8_t>(200, 0)));
    EXPECT_FALSE(importMacro(list, temp.folder() + "short.macro"));
    EXPECT_EQ(list.records.size(), 3u);
}

}  // namespace
}  // namespace velor

#include "store/macro_file.h"

namespace velor {
namespace {

TEST_F(MacroStoreTest, AFullMacroIsSoundAndImportRefusesBadCountsAndNames) {
    MacroRecord full = MacroRecord::named(u"Full");
    for (int i = 0; i < 46; ++i) full.setAction(i, {0x04, MacroAction::kPress, 10});
    full.setActionCount(46);
    list.records = {full};
    ASSERT_TRUE(saveMacros(list, ms10(), temp.folder()));
    MacroList again;
    EXPECT_TRUE(loadMacros(again, ms10(), temp.folder()).problems.empty());
    EXPECT_EQ(again.records[0].actionCount(), 46);

    MacroRecord negative = MacroRecord::named(u"Negative");
    negative.setActionCount(-1);
    MacroRecord unterminated = MacroRecord::named(u"Name");
    std::vector<std::uint8_t> raw(unterminated.bytes().begin(), unterminated.bytes().end());
    std::fill_n(raw.begin(), 48, 0x41);  // 24 units of 'AA', no terminator
    for (const auto& [name, bytes] :
         {std::pair{"negative.macro",
                    std::vector<std::uint8_t>(negative.bytes().begin(), negative.bytes().end())},
          std::pair{"unterminated.macro", raw},
          std::pair{"long.macro", [] {
                        // 46 actions, two of them waiting 1.3 s: 48 slots.
                        MacroRecord m = MacroRecord::named(u"Long");
                        for (int i = 0; i < 46; ++i)
                            m.setAction(i, {0x04, MacroAction::kPress,
                                            static_cast<std::uint16_t>(i < 2 ? 1300 : 10)});
                        m.setActionCount(46);
                        return std::vector<std::uint8_t>(m.bytes().begin(), m.bytes().end());
                    }()}}) {
        const auto path = temp.path() / name;
        ASSERT_TRUE(writeFileAtomically(path, bytes));
        MacroList macros;
        EXPECT_FALSE(importMacro(macros, path)) << name;
        EXPECT_TRUE(macros.records.empty()) << name;
    }
}

}  // namespace
}  // namespace velor
