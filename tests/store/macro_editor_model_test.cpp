#include "store/macro_editor_model.h"

#include <gtest/gtest.h>

#include "../support/fixed_texts.h"
#include "keys/key_tables.h"
#include "util/virtual_clock.h"

namespace velor {
namespace {

constexpr std::uint32_t kKeyA = 0x41, kKeyB = 0x42, kKeyC = 0x43;

MacroRecord macroOf(std::u16string_view name, int steps, std::uint16_t delay = 10) {
    MacroRecord m = MacroRecord::named(name);
    for (int i = 0; i < steps; ++i)
        m.setAction(i, {static_cast<std::uint8_t>(0x04 + i % 20),
                        static_cast<std::uint8_t>(1 + i % 2), delay});
    m.setActionCount(steps);
    return m;
}

class MacroEditorTest : public ::testing::Test {
  protected:
    MacroEditorTest() { macros.records = {macroOf(u"Work", 4), macroOf(u"Play", 0)}; }
    MacroEditorModel editor() {
        return MacroEditorModel({macros,
                                 [this] {
                                     ++saves;
                                     return true;
                                 },
                                 texts, keyboard, clock, [](std::string_view) {}});
    }
    void press(MacroEditorModel& e, std::uint32_t vk, long long afterMs = 0) {
        clock.advance(Millis(afterMs));
        e.recordEvent(vk, 0);
    }
    void release(MacroEditorModel& e, std::uint32_t vk, long long afterMs = 0) {
        clock.advance(Millis(afterMs));
        e.recordEvent(vk, 1);
    }
    std::vector<std::uint16_t> delays(const MacroEditorModel& e) {
        std::vector<std::uint16_t> d;
        for (const MacroAction& a : e.steps()) d.push_back(a.delay);
        return d;
    }

    MacroList macros;
    testing::FixedTexts texts;
    UsKeyboardLayout keyboard;
    VirtualClock clock;
    int saves = 0;
};

TEST_F(MacroEditorTest, RecordingReplacesOrInsertsAfterTheSelectedStep) {
    MacroEditorModel e = editor();
    e.load(0);
    EXPECT_EQ(e.selected(), 3);  // the last step
    e.select(-1);
    e.startRecording(DelayMode::None, 10);
    press(e, kKeyA);
    release(e, kKeyA);
    e.stopRecording();
    ASSERT_EQ(e.steps().size(), 2u);  // replaced
    EXPECT_EQ(macros.records[0].actionCount(), 2);

    e.load(0);
    e.select(0);
    e.startRecording(DelayMode::None, 10);
    press(e, kKeyB);
    press(e, kKeyB);  // held: the repeat is dropped
    release(e, kKeyB);
    e.stopRecording();
    ASSERT_EQ(e.steps().size(), 4u);
    EXPECT_EQ(e.steps()[0].code, 0x04);  // A press
    EXPECT_EQ(e.steps()[1].code, 0x05);  // B press, inserted after step 1
    EXPECT_EQ(e.steps()[2].code, 0x05);
    EXPECT_EQ(e.steps()[2].kind, MacroAction::kRelease);
    EXPECT_EQ(e.steps()[3].code, 0x04);  // A release follows

    // Cancel in the step editor goes back to the step the inserting recording began at.
    e.select(2);
    e.cancelEdits();
    EXPECT_EQ(e.selected(), 1);
    EXPECT_EQ(e.steps().size(), 4u);
}

TEST_F(MacroEditorTest, DelaysByMode) {
    MacroEditorModel e = editor();
    e.load(1);  // empty: recording starts from scratch
    e.startRecording(DelayMode::Recorded, 10);
    press(e, kKeyA, 250);
    release(e, kKeyA, 120);
    e.stopRecording();
    EXPECT_EQ(delays(e), (std::vector<std::uint16_t>{120, 10}));

    e.clearSteps();
    e.startRecording(DelayMode::Default, 50);
    press(e, kKeyA);
    release(e, kKeyA);
    press(e, kKeyC);
    e.stopRecording();
    EXPECT_EQ(delays(e), (std::vector<std::uint16_t>{50, 50, 10}));

    e.clearSteps();
    e.startRecording(DelayMode::Recorded, 10);
    press(e, kKeyA);
    release(e, kKeyA, 70000);
    e.stopRecording();
    EXPECT_EQ(delays(e).front(), 65535);

    // Mouse buttons by their messages; the side buttons by which one.
    e.clearSteps();
    e.startRecording(DelayMode::None, 10);
    e.recordEvent(0x201, 0);
    e.recordEvent(0x20B, 2);
    e.recordEvent(0x20C, 1);
    e.stopRecording();
    EXPECT_EQ(e.steps()[0].code, 0xF1);
    EXPECT_EQ(e.steps()[1].code, 0xF4);
    EXPECT_EQ(e.steps()[2].code, 0xF5);
    EXPECT_EQ(e.steps()[2].kind, MacroAction::kRelease);
}

TEST_F(MacroEditorTest, StepDelaysAndClicksStayWithinWhatTheMouseHolds) {
    macros.records[1] = macroOf(u"Play", 44);
    MacroEditorModel e = editor();
    e.load(1);
    e.select(0);
    e.setStepDelay(5);
    EXPECT_EQ(e.steps()[0].delay, 10);
    e.setStepDelay(70000);
    EXPECT_EQ(e.steps()[0].delay, 65535);
    e.setStepDelay(10);
    e.select(43);
    e.setStepDelay(500);  // the last step keeps 10
    EXPECT_EQ(e.steps()[43].delay, 10);

    EXPECT_TRUE(e.insertClick(0xF1, DelayMode::None, 10));
    EXPECT_EQ(e.steps().size(), 46u);
    EXPECT_FALSE(e.insertClick(0xF1, DelayMode::None, 10));

    // 46 steps: one long delay makes 47 slots, kept; a second makes 48, undone.
    e.select(1);
    e.setStepDelay(2000);
    EXPECT_EQ(macros.records[1].action(1).delay, 2000);
    e.select(2);
    e.setStepDelay(2000);
    EXPECT_EQ(e.steps()[2].delay, 10);
    EXPECT_EQ(macros.records[1].action(2).delay, 10);
}

TEST_F(MacroEditorTest, MacrosAreRenamedDeletedAndStepsMoved) {
    MacroEditorModel e = editor();
    e.load(1);
    EXPECT_FALSE(e.rename(u"work"));  // another macro's name in another case
    EXPECT_TRUE(e.rename(u"PLAY"));   // only the case: nothing happens
    EXPECT_EQ(*macros.records[1].name(), u"Play");
    EXPECT_TRUE(e.rename(u"Jump"));
    EXPECT_EQ(*macros.records[1].name(), u"Jump");
    // A macro already longer than the mouse keeps (a file of old) is still renamed and stored.
    for (int i = 0; i < 46; ++i)
        macros.records[1].setAction(i, {0x04, MacroAction::kPress, 1300});
    macros.records[1].setActionCount(46);
    e.load(1);
    const int savesBefore = saves;
    EXPECT_TRUE(e.rename(u"Sprint"));
    EXPECT_EQ(*macros.records[1].name(), u"Sprint");
    EXPECT_EQ(saves, savesBefore + 1);

    e.load(0);
    const std::vector<MacroAction> before = e.steps();
    e.moveUp();
    e.moveDown();
    EXPECT_EQ(e.steps(), before);

    e.load(1);
    e.deleteCurrent();  // the last row: the new last is loaded
    EXPECT_EQ(e.currentIndex(), 0);
    e.deleteCurrent();  // the only one
    EXPECT_FALSE(e.hasCurrent());
    EXPECT_TRUE(macros.records.empty());
    EXPECT_EQ(e.addMacro(), 0);
    EXPECT_EQ(*macros.records[0].name(), u"Macro1");
}

}  // namespace
}  // namespace velor
