#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "../support/test_records.h"
#include "models/dpi_mapping.h"
#include "profile/record_defaults.h"

namespace velor {
namespace {

using testing::defaultRecord;
using testing::ms10;
using testing::u32At;

constexpr std::size_t kButtons = 2464;
std::size_t slotAt(int k) {
    return kButtons + 1272 * static_cast<std::size_t>(k);
}

// The offsets below are the file format; they are checked on raw bytes so that
// a wrong row in the layout table cannot hide behind the accessors.
TEST(ProfileRecord, NewRecordHasEveryDefaultAtItsOffset) {
    const ProfileRecord r = defaultRecord();
    ASSERT_EQ(r.bytes().size(), 32992u);
    EXPECT_EQ(*r.name(), u"Profile1");
    EXPECT_EQ(u32At(r, 2200), 420u);
    EXPECT_EQ(u32At(r, 2204), 3u);
    EXPECT_EQ(r.bytes()[2208], 0);
    EXPECT_EQ(u32At(r, 2212), 6u);
    const std::uint32_t dpi[] = {4, 8, 12, 16, 32, 50, 0, 0};
    const std::uint32_t enabled[] = {1, 1, 1, 1, 1, 1, 0, 0};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(u32At(r, 2244 + 4 * i), dpi[i]);
        EXPECT_EQ(u32At(r, 2276 + 4 * i), dpi[i]);
        EXPECT_EQ(u32At(r, 2308 + 4 * i), enabled[i]);
        EXPECT_EQ(u32At(r, 2400 + 4 * i), kDefaultDpiColours[i]);
        EXPECT_EQ(u32At(r, 2432 + 4 * i), kDefaultSpareColours[i]);
    }
    // brightness, breathSpeed, lightParam, sleepTimer, dpiLevel, pollingRate,
    // moveMode, ripple, angle snap, motion sync, lightMode, lightOption
    const std::uint32_t block[] = {8, 6, 2, 10, 1, 3, 0, 0, 0, 0, 0, 3};
    for (std::size_t i = 0; i < std::size(block); ++i) EXPECT_EQ(u32At(r, 2340 + 4 * i), block[i]);
    EXPECT_EQ(r.bytes()[2388], 1);
    EXPECT_EQ(u32At(r, 2392), 3u);
    EXPECT_EQ(u32At(r, 2396), 0x00FF0000u);

    const std::uint8_t functions[] = {1, 2, 3, 6, 0, 24, 4, 5, 52, 0, 0, 0, 0, 0, 0, 0, 11, 12};
    for (int k = 0; k < 18; ++k) {
        const std::size_t s = slotAt(k);
        EXPECT_EQ(r.bytes()[s], k);
        EXPECT_EQ(r.bytes()[s + 1], functions[k]);
        EXPECT_EQ(r.bytes()[s + 8], 0x32);  // 562 little-endian
        EXPECT_EQ(r.bytes()[s + 9], 0x02);
        EXPECT_EQ(u32At(r, s + 1072), 0xFFFFFFFFu);
        EXPECT_EQ(u32At(r, s + 1076), 0xFFFFFFFFu);
    }
    // Spare slots 18..23 stay zero.
    EXPECT_TRUE(std::all_of(r.bytes().begin() + static_cast<std::ptrdiff_t>(slotAt(18)),
                            r.bytes().end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(ProfileRecord, RestoreDefaultsKeepsNameMoveModeAndUntouchedBytes) {
    ProfileRecord r = newRecord(ms10().record, u"GAME");
    r.set(Field::moveMode, 1);
    r.set(Field::pollingRate, 0);
    r.set(Field::dpiX, 77, 3);
    r.button(4).set(SlotField::function, 17);
    const std::size_t untouched[] = {2209, 2210, 2211, 2216, 2223, 2236, 2243, 2389, 2391};
    for (const std::size_t at : untouched) r.bytes()[at] = 0x5A;

    setDefaults(r);

    EXPECT_EQ(*r.name(), u"GAME");
    EXPECT_EQ(r.get(Field::moveMode), 1);
    for (const std::size_t at : untouched) EXPECT_EQ(r.bytes()[at], 0x5A) << at;
    ProfileRecord expected = newRecord(ms10().record, u"GAME");
    expected.set(Field::moveMode, 1);
    for (const std::size_t at : untouched) expected.bytes()[at] = 0x5A;
    EXPECT_EQ(r, expected);
}

TEST(ProfileRecord, ResetDpiTouchesOnlyTheDpiFields) {
    ProfileRecord r = defaultRecord();
    r.set(Field::dpiLevel, 5);
    for (std::uint32_t i = 0; i < 8; ++i) {
        r.set(Field::dpiX, 90, i);
        r.set(Field::dpiY, 91, i);
        r.set(Field::dpiEnabled, 1, i);
        r.set(Field::dpiColour, 0x123456, i);
    }
    r.set(Field::lightMode, 4);
    r.set(Field::brightness, 2);
    r.button(2).set(SlotField::function, 64);
    ProfileRecord expected = defaultRecord();
    expected.set(Field::lightMode, 4);
    expected.set(Field::brightness, 2);
    expected.button(2).set(SlotField::function, 64);

    resetDpi(r);
    EXPECT_EQ(r, expected);
}

TEST(ProfileRecord, ClearMacroSlotZeroesTheSlotAndRestoresTheDefaultFunction) {
    ProfileRecord r = defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 20};
    testing::assignMacro(r, 7, std::span(&a, 1));
    clearMacroSlot(r.button(6), 6);
    const auto slot = r.bytes().subspan(slotAt(6), 1272);
    EXPECT_EQ(slot[1], 4);  // button 7's default: forward
    EXPECT_EQ(loadLe32(slot, 1072), 0xFFFFFFFFu);
    EXPECT_EQ(slot[0], 0);  // slotIndex, slotReserved8 and slotReserved1076 stay zero
    EXPECT_EQ(loadLe16(slot, 8), 0);
    EXPECT_EQ(loadLe32(slot, 1076), 0u);
    EXPECT_EQ(std::count(slot.begin(), slot.end(), 0), 1272 - 1 - 4);
}

TEST(ProfileRecord, NamesAreLimitedTo99UnitsAndNeedATerminator) {
    ProfileRecord r = defaultRecord();
    r.setName(std::u16string(150, u'x'));
    EXPECT_EQ(r.name()->size(), 99u);

    std::fill_n(r.bytes().begin(), 200, 0x41);  // 100 units, no terminator
    EXPECT_FALSE(r.name());
}

TEST(ProfileRecord, FromBytesNeedsTheSlotsExactLength) {
    const std::vector<std::uint8_t> shortBlock(32991), exact(32992);
    EXPECT_FALSE(ProfileRecord::fromBytes(ms10().record, shortBlock));
    EXPECT_TRUE(ProfileRecord::fromBytes(ms10().record, exact));
}

TEST(DpiMapping, TypedDpiIsClampedThenStoredInHundreds) {
    EXPECT_EQ(sliderFromDpi(ms10(), 150), 2);
    EXPECT_EQ(sliderFromDpi(ms10(), 250), 2);
    EXPECT_EQ(sliderFromDpi(ms10(), 10500), 100);
    EXPECT_EQ(sliderFromDpi(ms10(), -40), 2);
    EXPECT_EQ(dpiFromSlider(ms10(), 32), 3200);
}

}  // namespace
}  // namespace velor
