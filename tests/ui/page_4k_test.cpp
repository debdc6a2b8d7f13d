// A high-rate page (slot 3) and its 4K receiver: the indicator and its
// watchdog, the slot's polling codes, and the rates each link offers.
#include <QAbstractButton>

#include <optional>
#include <tuple>

#include "app/pages_host.h"
#include "page_fixture.h"
#include "store/profile_store.h"

namespace velor {
namespace {

constexpr int kWatchdog4k = 0x220 + 4;  // slot 3's T + 4

// Slot 3's page, no mouse on the cable.
class FourKPageTest : public PageTest {
  protected:
    FourKPageTest() : PageTest(false, 3) {}
    void report(std::uint16_t word, std::uint16_t value, bool fourK) {
        PageTest::report(word, value, fourK);
        pump();
    }
    QWidget* control(const char* suffix) { return page->control(suffix); }
    bool shown(const char* suffix) { return control(suffix)->isVisibleTo(window.get()); }
    int polling() { return current().i32(Field::pollingRate); }
};

TEST_F(FourKPageTest, TheFourKReceiverHasItsOwnIndicatorAndWatchdog) {
    report(0x4021, 0x5001, true);  // 80 % through the 4K receiver
    ASSERT_TRUE(page->built());
    EXPECT_TRUE(page->link().wireless4kOnline());
    EXPECT_FALSE(page->link().wirelessOnline());
    EXPECT_TRUE(shown("wireless_4k"));
    EXPECT_FALSE(shown("wireless"));
    EXPECT_TRUE(window->timers().isActive(kWatchdog4k));

    page->onTimer(kWatchdog4k);  // six seconds without a 4K report
    EXPECT_FALSE(page->link().wireless4kOnline());
    EXPECT_FALSE(shown("wireless_4k"));
    EXPECT_FALSE(page->connected());
}

TEST_F(FourKPageTest, OnBatteryTheFourKReceiverCountsOnlyWhileTheOtherIsSilent) {
    report(0x5021, 0, false);  // the 2.4 GHz receiver is up
    page->link().setWireless4kOnline(false);
    page->onReceiverReport(0x4021, 0x5001, false, true);  // battery, not the slot's own report
    EXPECT_FALSE(page->link().wireless4kOnline());
    page->onReceiverReport(0x4021, 0x0003, false, true);  // charging: it counts
    EXPECT_TRUE(page->link().wireless4kOnline());
}

TEST_F(FourKPageTest, TheHighRateCodesAndTheRatesEachLinkOffers) {
    report(0x5021, 0, true);
    EXPECT_EQ(polling(), 6);  // the default, 8000 Hz, offered through the 4K receiver
    EXPECT_TRUE(shown("btn_prate_7"));
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control("btn_prate_7"))->isChecked());

    // A rate the mouse reports is shown on its button (and not sent back).
    const std::tuple<std::uint16_t, int, const char*> reported[] = {
        {0x03, 6, "btn_prate_7"},  // not a rate code: nothing changes
        {0x10, 1, "btn_prate_2"},
        {0x40, 6, "btn_prate_7"}};
    for (const auto& [code, index, button] : reported) {
        report(0x2021, code, true);
        EXPECT_EQ(polling(), index) << code;
        EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(button))->isChecked()) << code;
        EXPECT_FALSE(page->engine().pending().polling) << code;
    }

    // The 2.4 GHz receiver carries no more than 1000 Hz.
    report(0x5021, 0, false);
    EXPECT_FALSE(shown("btn_prate_5"));
    EXPECT_FALSE(shown("btn_prate_7"));
    EXPECT_EQ(polling(), 3);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control("btn_prate_4"))->isChecked());
    EXPECT_FALSE(shown("ver_prate_hs"));
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

// Slot 3 with its mouse on the cable from the start.
class WiredHighRatePageTest : public PageTest {
  protected:
    WiredHighRatePageTest() : PageTest(true, 3) {}
};

TEST_F(WiredHighRatePageTest, ACableAtStartOffersFourRatesAndSendsTheFourthOne) {
    ASSERT_TRUE(page->built());
    EXPECT_EQ(current().i32(Field::pollingRate), 3);
    EXPECT_FALSE(page->control("btn_prate_5")->isVisibleTo(window.get()));
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(page->control("btn_prate_4"))->isChecked());
    ASSERT_TRUE(waitFor([&] { return mouse->settings().pollingCode.has_value(); }));
    EXPECT_EQ(*mouse->settings().pollingCode, 0x04);
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

// Slot 8 keeps two polling settings: up to 1000 Hz the cable's and the 2.4 GHz
// receiver's, above it the 4K receiver's. velorctl's rate lands in the one it
// belongs to, on the page and on disk, and leaves the other alone.
class TwoSettingsPageTest : public PageTest {
  protected:
    TwoSettingsPageTest() : PageTest(true, 8) {}
};

TEST_F(TwoSettingsPageTest, AVelorctlRateLandsInItsOwnSetting) {
    ASSERT_TRUE(page->built());
    PagesHost host(*window);
    const struct {
        int hz;
        int rate, highRate;
    } cases[] = {{4000, 3, 5}, {250, 1, 5}, {8000, 1, 6}};
    for (const auto& c : cases) {
        std::optional<int> code;
        host.applySetting(8, {cli::Setting::Kind::PollingHz, c.hz},
                          [&](auto o) { code = o.exitCode; });
        ASSERT_TRUE(waitFor([&] { return code.has_value(); })) << c.hz;
        EXPECT_EQ(*code, 0) << c.hz;
        EXPECT_EQ(current().i32(Field::pollingRate), c.rate) << c.hz;
        EXPECT_EQ(current().i32(Field::pollingRateHs), c.highRate) << c.hz;
    }
    const auto stored = readProfileStore(model, temp.path() / "ms_8" / "pro.data");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->records.at(stored->currentIndex).i32(Field::pollingRate), 1);
    EXPECT_EQ(stored->records.at(stored->currentIndex).i32(Field::pollingRateHs), 6);
}

}  // namespace
}  // namespace velor
