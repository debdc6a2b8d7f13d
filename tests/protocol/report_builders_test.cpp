#include "protocol/report_builders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "../support/test_records.h"
#include "profile/function_table.h"
#include "protocol/sensor_codes.h"

namespace velor {
namespace {

using testing::defaultRecord;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> bytesOf(const Report& r) {
    return {r.bytes().begin(), r.bytes().end()};
}

std::uint16_t storedSum(const Report& r, std::size_t at) {
    return static_cast<std::uint16_t>(r.buffer[at] << 8 | r.buffer[at + 1]);
}

TEST(Reports, OpeningIsFixed) {
    EXPECT_THAT(bytesOf(buildOpening()),
                ElementsAreArray({0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0}));
}

TEST(Reports, ChecksumIsA16BitSumThatWraps) {
    const std::vector<std::uint8_t> ones(300, 0xFF);
    EXPECT_EQ(reportChecksum(ones), (300 * 0xFF) & 0xFFFF);
}

TEST(Reports, DefaultDpiReport) {
    const Report r = buildDpi(defaultRecord());
    ASSERT_EQ(r.length, 56u);
    const std::uint8_t codes[] = {6, 15, 25, 34, 71, 113, 0, 0};
    const std::uint8_t expected[] = {
        0x04,     0x38,     0x01,     0,        0,        0x3F,     0,        0,        codes[0],
        codes[1], codes[2], codes[3], codes[4], codes[5], codes[6], codes[7], codes[0], codes[1],
        codes[2], codes[3], codes[4], codes[5], codes[6], codes[7], 2,        0xFF,     0,
        0,        0,        0xFF,     0,        0,        0,        0xFF,     0xFF,     0,
        0xFF,     0xFF,     0xFF,     0,        0xFF,     0xFF,     0xFF,     0xFF,     0x40,
        0,        0xFF,     0xFF,     0xFF,     3};
    EXPECT_THAT(std::vector<std::uint8_t>(r.buffer.begin(), r.buffer.begin() + 50),
                ElementsAreArray(expected));
    EXPECT_EQ(storedSum(r, 50), reportChecksum(std::span(r.buffer).subspan(3, 47)));
    EXPECT_THAT(std::vector<std::uint8_t>(r.buffer.begin() + 52, r.buffer.begin() + 56),
                ElementsAreArray({0, 0, 0, 0}));
}

TEST(Reports, SensorCodesAndTheHighRangeBit) {
    struct Case {
        std::int32_t value;
        std::uint8_t code;
        bool high;
    };
    const Case cases[] = {{8, 15, false},    {16, 34, false},       {50, 113, false},
                          {51, 57, true},    {100, 113, true},      {0, 0, false},
                          {1, 0, false},     {2, 4, false},         {-5, 0, false},
                          {1000, 115, true}, {INT32_MIN, 0, false}, {INT32_MAX, 115, true}};
    for (const Case& c : cases) {
        const SensorCode s = sensorCode(c.value);
        EXPECT_EQ(s.code, c.code) << c.value;
        EXPECT_EQ(s.highRange, c.high) << c.value;
    }
    ProfileRecord r = defaultRecord();
    r.set(Field::dpiX, 51, 1);
    r.set(Field::dpiX, 100, 7);
    const Report dpi = buildDpi(r);
    EXPECT_EQ(dpi.buffer[6], 0x82);
    EXPECT_EQ(dpi.buffer[7], 0x82);
    EXPECT_EQ(dpi.buffer[9], 57);
    EXPECT_EQ(dpi.buffer[17], 57);
}

TEST(Reports, DefaultLightingReport) {
    EXPECT_THAT(bytesOf(buildLighting(defaultRecord())),
                ElementsAreArray({0x05, 0x0F, 0x01, 0x00, 0x03, 0xA8, 0x00, 0x00, 0xFF, 0x02, 0x03,
                                  0x01, 0xAF, 0x00, 0x00}));
}

TEST(Reports, LightingNibblesAndBrightness) {
    ProfileRecord r = defaultRecord();
    r.set(Field::brightness, 5);
    r.set(Field::sleepTimer, 0x1F);
    r.set(Field::breathSpeed, 2);
    r.set(Field::lightColour, 0x00332211);
    for (const int mode : {1, 9}) {
        r.set(Field::lightMode, mode);
        const Report l = buildLighting(r);
        EXPECT_EQ(l.buffer[3], static_cast<std::uint8_t>(mode << 4));
        EXPECT_EQ(l.buffer[4], 0x10 | 7);  // high nibble of the timer, 9 - speed
        EXPECT_EQ(l.buffer[5], 0xF5);      // timer << 4 (low 8 bits), brightness
        EXPECT_THAT(std::vector<std::uint8_t>(l.buffer.begin() + 6, l.buffer.begin() + 9),
                    ElementsAreArray({0x11, 0x22, 0x33}));
        EXPECT_EQ(storedSum(l, 11), reportChecksum(std::span(l.buffer).subspan(3, 8)));
    }
    r.set(Field::lightMode, 2);
    EXPECT_EQ(buildLighting(r).buffer[5], 0xF8);  // brightness not sent: 8
}

TEST(Reports, PollingCodesWithComplement) {
    ProfileRecord r = defaultRecord();
    EXPECT_THAT(bytesOf(buildPolling(r)),
                ElementsAreArray({0x06, 0x09, 0x01, 0x01, 0xFE, 0, 0, 0, 0}));
    const std::pair<int, std::uint8_t> cases[] = {{0, 0x08}, {1, 0x04},  {2, 0x02},
                                                  {4, 0x02}, {-1, 0x02}, {99, 0x02}};
    for (const auto& [rate, code] : cases) {
        r.set(Field::pollingRate, rate);
        const Report p = buildPolling(r);
        EXPECT_EQ(p.buffer[3], code) << rate;
        EXPECT_EQ(p.buffer[4], static_cast<std::uint8_t>(~code)) << rate;
    }
}

TEST(Reports, DefaultButtonReport) {
    const Report b = buildButtons(defaultRecord());
    ASSERT_EQ(b.length, 59u);
    const std::uint8_t first[] = {0x02, 0x03, 0x04, 0x0D, 0x01, 0x28, 0x06, 0x05, 0x3C,
                                  0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x09, 0x0A};
    for (std::size_t k = 0; k < 18; ++k) {
        EXPECT_EQ(b.buffer[3 + 3 * k], first[k]) << k;
        EXPECT_EQ(b.buffer[4 + 3 * k], 0) << k;
        EXPECT_EQ(b.buffer[5 + 3 * k], 0) << k;
    }
    EXPECT_EQ(storedSum(b, 57), reportChecksum(std::span(b.buffer).subspan(3, 54)));
}

TEST(Reports, ButtonEntriesForKeysMacrosTableRowsAndUnknownCodes) {
    ProfileRecord r = defaultRecord();
    ButtonSlot key = r.button(0);
    key.set(SlotField::function, 16);
    key.set(SlotField::modifiers, 0x03);  // Ctrl + Shift
    key.set(SlotField::keyCode, 0x04);
    r.button(4).set(SlotField::function, 17);
    r.button(5).set(SlotField::function, 22);
    r.button(6).set(SlotField::function, 15);   // no such code
    r.button(7).set(SlotField::function, 200);  // no such code
    const Report b = buildButtons(r);
    const auto entry = [&](int k) {
        return std::vector<std::uint8_t>(b.buffer.begin() + 3 + 3 * k,
                                         b.buffer.begin() + 6 + 3 * k);
    };
    EXPECT_THAT(entry(0), ElementsAreArray({0x11, 0x03, 0x04}));
    EXPECT_THAT(entry(4), ElementsAreArray({0x12, 0x00, 0x05}));
    EXPECT_THAT(entry(5), ElementsAreArray({0x10, 0x00, 0x03}));
    EXPECT_THAT(entry(6), ElementsAreArray({0, 0, 0}));
    EXPECT_THAT(entry(7), ElementsAreArray({0, 0, 0}));
}

TEST(FunctionTable, MenuItemsAreUniqueAndFindTheirRow) {
    std::set<std::string_view> items;
    for (const FunctionInfo& f : functionTable()) {
        if (f.menuItem.empty()) continue;
        EXPECT_TRUE(items.insert(f.menuItem).second) << f.menuItem;
        EXPECT_EQ(functionByMenuItem(f.menuItem), &f);
    }
    EXPECT_EQ(functionTable().size(), 65u);
    EXPECT_EQ(functionInfo(39)->captionId, "undo_text");
    EXPECT_EQ(functionInfo(18), nullptr);
    EXPECT_EQ(functionByMenuItem(""), nullptr);
}

}  // namespace
}  // namespace velor
