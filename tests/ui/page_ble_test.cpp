// A Bluetooth slot's page (slot 7) and its simulated Bluetooth mouse: the link
// comes and goes with the mouse, the indicator and sections follow, and the
// mouse's notifications reach the page.
#include <QCheckBox>
#include <QLabel>

#include "page_fixture.h"

namespace velor {
namespace {

constexpr int kWatchdog = 0x260;  // slot 7's T + 0

class BlePageTest : public PageTest {
  protected:
    BlePageTest() : PageTest(false, 7) {}
    QWidget* control(const char* suffix) { return page->control(suffix); }
    bool shown(const char* suffix) { return control(suffix)->isVisibleTo(window.get()); }
    sim::SimMouse& connectMouse() {
        sim::SimMouse& m = backend.plugBleMouse(model);
        EXPECT_TRUE(waitFor([&] { return page->link().bleOnline() && page->built(); }));
        return m;
    }
};

TEST_F(BlePageTest, AMouseConnectingGetsTheWholeProfileButNoPollingRate) {
    EXPECT_FALSE(page->connected());
    sim::SimMouse& m = connectMouse();
    EXPECT_TRUE(page->connected());
    ASSERT_TRUE(waitFor([&] { return m.settings().buttons.has_value(); }));
    const sim::MouseSettings got = m.settings();
    EXPECT_EQ(got.openings, 1);
    ASSERT_TRUE(got.lighting.has_value());
    EXPECT_EQ(got.lighting->mode, 7);
    EXPECT_FALSE(got.pollingCode.has_value());
    // Nothing is left due: the polling rate is not the Bluetooth mouse's to take.
    EXPECT_FALSE(page->engine().pending().any());
    EXPECT_TRUE(shown("BLE"));
    EXPECT_TRUE(control("sleep_label")->isHidden());  // the Bluetooth models have none

    backend.unplug(m);
    ASSERT_TRUE(waitFor([&] { return !page->link().bleOnline(); }));
    EXPECT_FALSE(page->connected());
    EXPECT_FALSE(shown("BLE"));
    EXPECT_TRUE(page->link().offline());
    EXPECT_TRUE(control("sleep_label")->isHidden());  // not even with no path left
}

TEST_F(BlePageTest, OverBluetoothAloneThePollingAndDebounceSectionsGoUntilAUsbLinkComes) {
    connectMouse();
    for (const char* gone : {"check_prate", "ver_prate", "check_key_debounce", "hor_key_debounce"})
        EXPECT_FALSE(shown(gone)) << gone;

    report(0x4033, 0x5001);  // the 2.4 GHz receiver reports: both sections come back closed
    pump();
    EXPECT_TRUE(page->link().wirelessOnline());
    EXPECT_TRUE(shown("check_prate"));
    EXPECT_FALSE(qobject_cast<QCheckBox*>(control("check_prate"))->isChecked());
    EXPECT_FALSE(shown("ver_prate"));
    EXPECT_TRUE(shown("check_key_debounce"));
    EXPECT_FALSE(shown("hor_key_debounce"));
}

// Slots 6 and 8 have a 4K receiver too: it is the USB link that brings the
// polling and debounce sections back to a Bluetooth page.
class BleFourKPageTest : public PageTest, public ::testing::WithParamInterface<int> {
  protected:
    BleFourKPageTest() : PageTest(false, GetParam()) {}
    bool shown(const char* suffix) {
        return page->control(suffix) && page->control(suffix)->isVisibleTo(window.get());
    }
};

TEST_P(BleFourKPageTest, TheFourKReceiverBringsBackTheUsbSections) {
    backend.plugBleMouse(model);
    ASSERT_TRUE(waitFor([&] { return page->link().bleOnline() && page->built(); }));
    EXPECT_FALSE(shown("check_prate"));
    EXPECT_FALSE(shown("check_key_debounce"));
    page->onReceiverReport(static_cast<std::uint16_t>(0x4000 | model.receiverCode), 0x5001, true,
                           true);
    pump();
    EXPECT_TRUE(page->link().wireless4kOnline());
    EXPECT_TRUE(shown("wireless_4k"));
    EXPECT_TRUE(shown("BLE"));
    EXPECT_TRUE(shown("check_prate"));
    EXPECT_TRUE(shown("check_key_debounce"));
    // Six seconds of 4K silence: Bluetooth alone again.
    page->onTimer(static_cast<int>(model.timerBase) + page_timer::kWatchdog4k);
    EXPECT_FALSE(shown("check_prate"));
}

INSTANTIATE_TEST_SUITE_P(BluetoothAndFourK, BleFourKPageTest, ::testing::Values(6, 8));

TEST_F(BlePageTest, NotificationsShowTheBatteryAndTheDpiLevelAndNoWatchdogEndsTheLink) {
    sim::SimMouse& m = connectMouse();
    m.setBattery(42);
    ASSERT_TRUE(
        waitFor([&] { return qobject_cast<QLabel*>(control("label_power"))->text() == "42%"; }));
    // Silence is no sign of absence here: the receivers' watchdog leaves it up.
    page->onTimer(kWatchdog);
    EXPECT_TRUE(page->connected());
    EXPECT_TRUE(shown("BLE"));

    m.setBattery(0);  // an empty battery is a reading too
    ASSERT_TRUE(
        waitFor([&] { return qobject_cast<QLabel*>(control("label_power"))->text() == "0%"; }));

    m.emitStatus(0x10, 0x0105);  // only the low byte is the level
    ASSERT_TRUE(waitFor([&] { return current().i32(Field::dpiLevel) == 4; }));
    // Another model's report changes nothing.
    page->onBleStatus(0x1034, 2);
    EXPECT_EQ(current().i32(Field::dpiLevel), 4);
}

}  // namespace
}  // namespace velor
