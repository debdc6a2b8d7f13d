#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "../support/test_records.h"
#include "protocol/report_builders.h"

namespace velor {
namespace {

using testing::assignMacro;
using testing::defaultRecord;
using ::testing::ElementsAreArray;

constexpr int kKey = 0x04;

MacroAction down(std::uint16_t delay) {
    return {kKey, MacroAction::kPress, delay};
}
MacroAction up(std::uint16_t delay) {
    return {kKey, MacroAction::kRelease, delay};
}

// Entries of a one-action macro: the bytes from 29 as far as byte 28 says.
std::vector<std::uint8_t> entriesOf(const MacroAction& a) {
    ProfileRecord r = defaultRecord();
    assignMacro(r, 1, std::span(&a, 1));
    const Report m = buildMacro(r, 1);
    return {m.buffer.begin() + 29, m.buffer.begin() + 29 + 2 * m.buffer[28]};
}

std::uint16_t storedSum(const Report& r) {
    return static_cast<std::uint16_t>(r.buffer[129] << 8 | r.buffer[130]);
}

TEST(MacroReport, TimingEntriesByDelay) {
    EXPECT_THAT(entriesOf(down(0)), ElementsAreArray({0x01, kKey}));
    EXPECT_THAT(entriesOf(up(0)), ElementsAreArray({0x81, kKey}));
    EXPECT_THAT(entriesOf(down(15)), ElementsAreArray({0x03, kKey}));  // rounded: 2 | 0x01
    EXPECT_THAT(entriesOf(down(1270)), ElementsAreArray({0x7F, kKey}));
    EXPECT_THAT(entriesOf(up(1270)), ElementsAreArray({0xFF, kKey}));
    EXPECT_THAT(entriesOf(down(1271)), ElementsAreArray({0x07 | 0x01, kKey, 6, 0x03}));
    EXPECT_THAT(entriesOf(down(1500)), ElementsAreArray({0x0A | 0x01, kKey, 7, 0x03}));
    EXPECT_THAT(entriesOf(up(1500)), ElementsAreArray({0x0A | 0x81, kKey, 7, 0x03}));
    // 65535 ms needs 327 steps of 200 ms; the byte holds at 255 rather than
    // wrapping to 71 (a 14 s delay).
    EXPECT_THAT(entriesOf(down(65535)), ElementsAreArray({0x0E | 0x01, kKey, 255, 0x03}));
}

TEST(MacroReport, HeaderCountAndChecksum) {
    ProfileRecord r = defaultRecord();
    const MacroAction actions[] = {down(10), up(1500), down(30)};
    assignMacro(r, 5, actions);
    ButtonSlot slot = r.button(4);
    slot.set(SlotField::macroRepeatMode, 2);
    slot.set(SlotField::macroExtra, 0x1234AB);
    const Report m = buildMacro(r, 5);
    ASSERT_EQ(m.length, 131u);
    EXPECT_THAT(std::vector<std::uint8_t>(m.buffer.begin(), m.buffer.begin() + 8),
                ElementsAreArray({0x09, 0x83, 5, 2, 0xAB, 0xAB, 0xAB, 1}));  // loop 0 -> 1
    EXPECT_EQ(m.buffer[28], 4);  // three actions, one of them long
    EXPECT_EQ(storedSum(m), reportChecksum(std::span(m.buffer).subspan(3, 126)));

    slot.set(SlotField::macroLoopTimes, 300);
    EXPECT_EQ(buildMacro(r, 5).buffer[7], 300 & 0xFF);
}

TEST(MacroReport, LongMacroIsCutBetweenActionsAndCountsWhatItCarries) {
    // 23 long actions (46 entries) and 3 short ones fill 49 entries; the next
    // long action needs two and does not fit, so it and everything after it
    // stay out, even the short action that would fit the last entry.
    std::vector<MacroAction> actions(23, down(2000));
    actions.insert(actions.end(), 3, up(10));
    actions.push_back(down(2000));
    actions.push_back(up(10));
    ProfileRecord r = defaultRecord();
    assignMacro(r, 2, actions);

    const MacroFit fit = macroFit(r.button(1), macroEntryCapacity(*descriptorFor(10)));
    EXPECT_EQ(fit.actions, 26);
    EXPECT_EQ(fit.entries, 49);
    EXPECT_EQ(fit.droppedActions, 2);

    const Report m = buildMacro(r, 2);
    EXPECT_EQ(m.buffer[28], 49);
    EXPECT_EQ(m.buffer[125], 0x81);  // the 26th action is entry 49, bytes 125..126
    EXPECT_EQ(m.buffer[126], kKey);
    EXPECT_EQ(m.buffer[127], 0);  // entry 50 stays empty
    EXPECT_EQ(m.buffer[128], 0);
    EXPECT_EQ(storedSum(m), reportChecksum(std::span(m.buffer).subspan(3, 126)));
    EXPECT_TRUE(std::all_of(m.buffer.begin() + 131, m.buffer.end(), [](auto b) { return b == 0; }));
}

TEST(MacroReport, FullMacroOfLongDelaysCarriesTwentyFiveActions) {
    ProfileRecord r = defaultRecord();
    assignMacro(r, 1, std::vector<MacroAction>(46, up(65535)));
    const Report m = buildMacro(r, 1);
    EXPECT_EQ(m.buffer[28], 50);
    EXPECT_EQ(m.buffer[127], 255);
    EXPECT_EQ(m.buffer[128], 0x03);
}

TEST(MacroReport, ActionCountBeyondTheBlockReadsOnlyTheBlock) {
    ProfileRecord r = defaultRecord();
    assignMacro(r, 1, std::vector<MacroAction>(46, down(10)));
    r.button(0).set(SlotField::macroActionCount, 60000);
    EXPECT_EQ(buildMacro(r, 1).buffer[28], 46);
}

TEST(MacroReport, ThreeChunksWiredAndWireless) {
    ProfileRecord r = defaultRecord();
    std::vector<MacroAction> actions;
    for (int i = 0; i < 46; ++i)
        actions.push_back({static_cast<std::uint8_t>(i + 1), MacroAction::kPress, 10});
    assignMacro(r, 9, actions);
    const Report m = buildMacro(r, 9);

    for (const bool wireless : {false, true}) {
        const auto chunks = splitMacro(m, wireless);
        for (std::size_t n = 0; n < 3; ++n) {
            const MacroChunk& c = chunks[n];
            EXPECT_EQ(c[0], 0x09);
            EXPECT_EQ(c[1], wireless && n == 2 ? 0x0C : 0x40);
            EXPECT_EQ(c[2], 9);
            EXPECT_EQ(c[3], n);
        }
        EXPECT_TRUE(std::equal(chunks[0].begin() + 4, chunks[0].end(), m.buffer.begin() + 3));
        EXPECT_TRUE(std::equal(chunks[1].begin() + 4, chunks[1].end(), m.buffer.begin() + 63));
        // Chunk 2: report bytes 123..130 (ending in the checksum), then zeros.
        EXPECT_TRUE(
            std::equal(chunks[2].begin() + 4, chunks[2].begin() + 12, m.buffer.begin() + 123));
        EXPECT_EQ(chunks[2][10], m.buffer[129]);
        EXPECT_TRUE(
            std::all_of(chunks[2].begin() + 12, chunks[2].end(), [](auto b) { return b == 0; }));
    }
}

}  // namespace
}  // namespace velor
