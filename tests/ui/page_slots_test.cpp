// Each slot's page shows its own controls: one page implementation, the
// differences from the model descriptor and the slot's skin.
#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "page_fixture.h"

namespace velor {
namespace {

// Slot n's page with a simulated mouse on the cable.
class SlotPageTest : public PageTest, public ::testing::WithParamInterface<int> {
  protected:
    SlotPageTest() : PageTest(true, GetParam()) {}
    bool has(const char* suffix) { return page->control(suffix) != nullptr; }
    bool shown(const char* suffix) {
        QWidget* w = page->control(suffix);
        return w != nullptr && w->isVisibleTo(window.get());
    }
    bool lightOff() const { return model.slot == 7 || model.slot == 9; }
};

TEST_P(SlotPageTest, ShowsExactlyItsOwnControls) {
    ASSERT_TRUE(page->built());
    const int n = model.slot;
    // Lighting: none on slot 6; stacked rows and the light-off timer on 7 and 9.
    EXPECT_EQ(shown("check_light"), n != 6);
    EXPECT_EQ(shown("ver_light"), n != 6);
    EXPECT_EQ(has("ver_brightness"), lightOff());
    EXPECT_EQ(has("ver_breathspeed"), lightOff());
    EXPECT_EQ(has("hor_brightness"), !lightOff());
    EXPECT_EQ(shown("slider_light_off"), lightOff());
    EXPECT_EQ(shown("label_light_off"), lightOff());
    // Indicators: the cable's only, with only the cable up.
    EXPECT_TRUE(shown("wired"));
    for (const char* off : {"wireless", "wireless_4k", "BLE", "sleep_label"})
        EXPECT_FALSE(shown(off)) << off;
    // No section box heads nothing.
    EXPECT_FALSE(shown("check_power_setting"));
    // The cable takes four rates on every slot.
    EXPECT_TRUE(shown("btn_prate_4"));
    EXPECT_FALSE(shown("btn_prate_5"));
    EXPECT_FALSE(shown("ver_prate_hs"));
    // The DPI sliders span the slot's range, in its own units; the top of
    // the range reads as the slot's highest DPI.
    struct Range {
        int low, high;
        const char* top;
    };
    static const Range kRanges[] = {{1, 220, "12000"}, {1, 520, "26000"}, {1, 520, "26000"},
                                    {1, 520, "26000"}, {1, 220, "12000"}, {1, 520, "26000"},
                                    {1, 220, "12000"}, {1, 520, "26000"}, {1, 290, "19000"},
                                    {2, 100, "10000"}};
    const Range& range = kRanges[n - 1];
    auto* slider = qobject_cast<QAbstractSlider*>(page->control("slider_dpi_1"));
    EXPECT_EQ(slider->minimum(), range.low);
    EXPECT_EQ(slider->maximum(), range.high);
    slider->setValue(slider->maximum());
    EXPECT_EQ(qobject_cast<QLineEdit*>(page->control("edit_dpi_1"))->text(), range.top);
}

// A level never enabled holds 0. Ticked by a click, or by a screen reader's
// Toggle, it first takes the value of the nearest level below that has one:
// level 6's 5000 DPI on every slot.
TEST_P(SlotPageTest, ATickedEmptyLevelGetsAUsableValueBeforeItIsSent) {
    pump();
    ASSERT_EQ(current().i32(Field::dpiX, 7), 0);
    qobject_cast<QAbstractButton*>(page->control("check_dpi_step_8"))->click();
    QAccessible::queryAccessibleInterface(page->control("check_dpi_step_7"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    pump();
    for (const char* edit : {"edit_dpi_7", "edit_dpi_8"})
        EXPECT_EQ(qobject_cast<QLineEdit*>(page->control(edit))->text(), "5000") << edit;
    const sim::DpiSettings sent = *mouse->settings().dpi;
    EXPECT_EQ(sent.enabledMask & 0xC0, 0xC0);
    for (std::size_t k : {6u, 7u}) {
        EXPECT_EQ(sent.codes[k], sent.codes[5]) << k;
        EXPECT_EQ(sent.secondBytes[k], sent.secondBytes[5]) << k;
    }
    EXPECT_EQ(mouse->malformedCount(), 0);
}

// One control of each section, on every slot: what the mouse then holds.
TEST_P(SlotPageTest, EachSectionsControlReachesTheMouse) {
    pump();
    const int n = model.slot;
    const auto button = [&](const char* suffix) {
        return qobject_cast<QAbstractButton*>(page->control(suffix));
    };
    button("option_dpi_step_3")->click();
    button("btn_prate_2")->click();
    button("btn_key_3")->click();  // button 3 becomes a left click
    page->onMenuItem(QStringLiteral("ms_%1_click").arg(n));
    pump();
    const sim::MouseSettings sent = mouse->settings();
    EXPECT_EQ(sent.dpi->currentLevel, 3);
    // 250 Hz: the four-rate code, the seven-rate one, or the cable's rate
    // beside the 4K receiver's 8000 Hz in one byte.
    const std::uint8_t polling = (n == 3 || n == 4) ? 0x10 : (n == 6 || n == 8) ? 0x72 : 0x04;
    EXPECT_EQ(sent.pollingCode, polling);
    EXPECT_EQ((*sent.buttons)[2], (*sent.buttons)[0]);
    if (n != 6) {  // slot 6 has no lighting section
        emit qobject_cast<QComboBox*>(page->control("combo_light"))->activated(1);
        runDeferredApply();
        EXPECT_EQ(mouse->settings().lighting->mode, 1);
    }
    EXPECT_EQ(mouse->malformedCount(), 0);
}

using FourKSlotPageTest = SlotPageTest;

TEST_P(FourKSlotPageTest, TheFourKReceiverOffersTheHighRatesOnceTheCableIsOut) {
    // The cable and the 4K receiver up together: the cable's four rates.
    page->onReceiverReport(static_cast<std::uint16_t>(0x4000 | model.receiverCode), 0x5001, true,
                           true);
    pump();
    EXPECT_TRUE(shown("wireless_4k"));
    EXPECT_TRUE(shown("wired"));
    EXPECT_TRUE(shown("btn_prate_4"));
    EXPECT_FALSE(shown("btn_prate_5"));
    EXPECT_FALSE(shown("ver_prate_hs"));

    backend.unplug(*mouse);
    ASSERT_TRUE(waitFor([&] { return page->link().wiredState() == 2; }));
    EXPECT_FALSE(page->link().offline());  // the 4K receiver still carries changes
    EXPECT_FALSE(shown("sleep_label"));
    EXPECT_TRUE(shown("wireless_4k"));
    if (model.pollingOptions == PollingOptions::SevenRates) {
        EXPECT_TRUE(shown("btn_prate_7"));
        EXPECT_FALSE(shown("ver_prate_hs"));
    } else {  // two settings: the seven-rate set replaces the four-rate one
        EXPECT_TRUE(shown("ver_prate_hs"));
        EXPECT_FALSE(shown("ver_prate"));
    }
}

INSTANTIATE_TEST_SUITE_P(AllSlots, SlotPageTest, ::testing::Range(1, 11));
INSTANTIATE_TEST_SUITE_P(FourKSlots, FourKSlotPageTest, ::testing::Values(3, 4, 6, 8));

// The light-off timer of slot 7: its slider, its caption in half minutes,
// and the lighting report that carries it.
class LightOffPageTest : public PageTest {
  protected:
    LightOffPageTest() : PageTest(true, 7) {}
};

TEST_F(LightOffPageTest, TheSliderSetsTheTimerAndItsCaptionCountsHalfMinutes) {
    auto* slider = qobject_cast<QAbstractSlider*>(page->control("slider_light_off"));
    auto* label = qobject_cast<QLabel*>(page->control("label_light_off"));
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(slider->value(), 2);
    EXPECT_EQ(label->text(), "Lights off after 1.0 min");
    slider->setValue(3);
    pump();
    EXPECT_EQ(current().i32(Field::lightOffTimer), 3);
    EXPECT_EQ(label->text(), "Lights off after 1.5 min");
    // It goes out once the slider rests, in the nibbles the reference slot
    // uses for its sleep timer (the simulated mouse reads them as such).
    page->onTimer(static_cast<int>(model.timerBase) + page_timer::kDeferredApply);
    ASSERT_TRUE(waitFor([&] {
        const auto l = mouse->settings().lighting;
        return l && l->sleepTimer == 3 && l->param == 10;
    }));
}

}  // namespace
}  // namespace velor
