// Values worked out by hand for the places where a slip in the code would
// otherwise go unnoticed: the last byte of every checksummed range, header
// bytes of the variant reports, code orders, and the fields that mark a group.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/test_records.h"
#include "apply/apply_engine.h"
#include "protocol/report_builders.h"

namespace velor {
namespace {

using ::testing::ElementsAre;

std::uint16_t storedSum(const Report& r, std::size_t at) {
    return static_cast<std::uint16_t>(r.buffer[at] << 8 | r.buffer[at + 1]);
}

TEST(Catching, TheButtonReportSumTakesButton18sLastByte) {
    ProfileRecord r = testing::defaultRecord();
    ButtonSlot last = r.button(17);
    last.set(SlotField::function, 16);
    last.set(SlotField::modifiers, 0x01);
    last.set(SlotField::keyCode, 0x2A);
    const Report b = buildButtons(r);
    ASSERT_EQ(b.buffer[56], 0x2A);
    // Buttons 1..17 by default: 150; button 18: 0x11 + 0x01 + 0x2A = 60.
    EXPECT_EQ(storedSum(b, 57), 210);
}

TEST(Catching, TheMacroReportSumTakesItsLastEntryAtByte128) {
    ProfileRecord r = testing::defaultRecord();
    std::vector<MacroAction> actions;
    // Four long delays take two entries each: 4 x 2 + 42 = 50 entries, all of them.
    for (int i = 0; i < 46; ++i)
        actions.push_back(
            {static_cast<std::uint8_t>(0x04 + i % 20),
             static_cast<std::uint8_t>(i % 2 ? MacroAction::kRelease : MacroAction::kPress),
             static_cast<std::uint16_t>(i < 4 ? 2000 : 10)});
    testing::assignMacro(r, 3, actions);
    const Report m = buildMacro(r, 3);
    ASSERT_NE(m.buffer[128], 0);
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 128; ++i) sum += m.buffer[i];
    EXPECT_EQ(storedSum(m, 129), sum & 0xFFFF);
}

TEST(Catching, TheWideDpiHeaderCarriesEachSensorOptionInItsOwnByte) {
    const std::pair<Field, std::size_t> options[] = {{Field::liftOffDistance, 3},
                                                     {Field::rippleControl, 4},
                                                     {Field::angleSnap, 6},
                                                     {Field::motionSync, 7}};
    for (const auto& [field, at] : options) {
        ProfileRecord r = newRecord(descriptorFor(2)->record, u"W");
        for (const auto& [other, unused] : options) r.set(other, 0);
        r.set(field, 1);
        const Report d = buildDpi(r);
        for (const auto& [other, otherAt] : options)
            EXPECT_EQ(d.buffer[otherAt], otherAt == at ? 1 : 0) << at << " " << otherAt;
    }
}

TEST(Catching, TheSwappedLightingLayoutTakesItsNibblesFromTheRightFields) {
    ProfileRecord r = newRecord(descriptorFor(3)->record, u"S");
    r.set(Field::sleepTimer, 0x1F);  // s, at 2348 on this shape
    r.set(Field::lightParam, 0x35);  // p, at 2352
    r.set(Field::breathSpeed, 2);
    r.set(Field::lightMode, 1);
    r.set(Field::brightness, 5);
    const Report l = buildLighting(r);
    EXPECT_EQ(l.buffer[4], 0x37);  // p's high nibble, 9 - speed
    EXPECT_EQ(l.buffer[5], 0x55);  // p << 4, brightness
    EXPECT_EQ(l.buffer[9], 0x1F);  // s
}

TEST(Catching, TheSevenRatesGoOutInTheirCodeOrder) {
    ProfileRecord r = newRecord(descriptorFor(3)->record, u"R");
    std::vector<int> codes;
    for (int rate = 0; rate < 7; ++rate) {
        r.set(Field::pollingRate, rate);
        codes.push_back(buildPolling(r).buffer[3]);
    }
    EXPECT_THAT(codes, ElementsAre(0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40));
}

TEST(Catching, EveryFieldOfAGroupMarksIt) {
    const ProfileRecord base = newRecord(descriptorFor(6)->record, u"G");
    ProfileRecord high = base;
    high.set(Field::pollingRateHs, 2);
    EXPECT_TRUE(ApplyEngine::changedGroups(high, base).polling);

    ProfileRecord withMacro = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(withMacro, 18, std::span(&a, 1));
    ProfileRecord loops = withMacro;
    loops.button(17).set(SlotField::macroLoopTimes, 3);
    const ReportGroups g = ApplyEngine::changedGroups(loops, withMacro);
    EXPECT_TRUE(g.macro[17]);  // button 18, by its loop count alone
    ProfileRecord steps = withMacro;
    steps.button(17).setAction(0, {0x05, MacroAction::kPress, 10});
    EXPECT_TRUE(ApplyEngine::changedGroups(steps, withMacro).macro[17]);
}

}  // namespace
}  // namespace velor
