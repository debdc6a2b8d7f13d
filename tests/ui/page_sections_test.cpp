// Each section of the page against the real skin: a control writes its own
// field and shows it back, the section's guards hold, and a page built late
// shows what its mouse said before.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>
#include <QTest>

#include <array>

#include "page_fixture.h"

namespace velor {
namespace {

constexpr int kDeferredApplyTimer = 0x290 + 1;

TEST_F(PageTest, EachSliderWritesItsOwnFieldAndSendsOnceItRests) {
    const std::pair<const char*, Field> sliders[] = {{"slider_sleep_timer", Field::sleepTimer},
                                                     {"slider_key_debounce", Field::keyDebounce},
                                                     {"slider_brightness", Field::brightness},
                                                     {"slider_breathspeed", Field::breathSpeed}};
    int value = 4;
    for (const auto& [name, field] : sliders) {
        const ProfileRecord before = current();
        find<QSlider>(name)->setValue(++value);
        EXPECT_EQ(current().get(field), value) << name;
        for (const auto& [other, otherField] : sliders) {
            if (otherField == field) continue;
            EXPECT_EQ(current().get(otherField), before.get(otherField)) << name << other;
        }
        EXPECT_EQ(window->timers().interval(kDeferredApplyTimer), 2000) << name;
    }
    EXPECT_EQ(find<QLabel>("label_key_debounce")->text(), "12 ms");  // 6 steps of 2 ms
    EXPECT_TRUE(find<QLabel>("label_sleep_timer")->text().contains(" 5 "));

    pump();
    ASSERT_TRUE(mouse->settings().lighting);  // the whole profile went out at the start
    EXPECT_EQ(mouse->settings().lighting->sleepTimer, 10);  // nothing while the slider moves
    page->onTimer(kDeferredApplyTimer);
    pump();
    const sim::LightingSettings sent = *mouse->settings().lighting;
    EXPECT_EQ(sent.sleepTimer, 5);
    EXPECT_EQ(sent.keyDebounce, 6);
    EXPECT_EQ(sent.breathSpeed, 8);
    EXPECT_EQ(sent.brightness, 8);  // the static effect takes no brightness: full
    // Brightness goes out with the effects that take it.
    emit find<QComboBox>("combo_light")->activated(1);
    runDeferredApply();
    EXPECT_EQ(mouse->settings().lighting->brightness, 7);
}

// A slot whose DPI report carries all four sensor options (the wide report).
class WideReportPageTest : public PageTest {
  protected:
    WideReportPageTest() : PageTest(true, 3) {}
};

TEST_F(WideReportPageTest, EachSensorOptionWritesAndShowsItsOwnField) {
    const std::pair<const char*, Field> options[] = {
        {"option_lift_of_distance_2", Field::liftOffDistance},
        {"option_ripple_control_2", Field::rippleControl},
        {"option_angle_snap_2", Field::angleSnap},
        {"option_motion_sync_2", Field::motionSync}};
    for (const auto& [name, field] : options) {
        find<QAbstractButton>(name)->click();
        EXPECT_EQ(current().get(field), 1) << name;
    }
    find<QAbstractButton>("option_angle_snap_1")->click();
    EXPECT_EQ(current().get(Field::angleSnap), 0);
    EXPECT_EQ(current().get(Field::motionSync), 1);
    // The wide DPI report carries them in its header: lift-off at byte 3,
    // ripple 4, angle snap 6, motion sync 7.
    find<QAbstractButton>("btn_apply_dpi")->click();
    pump();
    const std::vector<std::uint8_t> dpi = lastSent(0x04);
    ASSERT_GE(dpi.size(), 8u);
    EXPECT_EQ((std::array{dpi[3], dpi[4], dpi[6], dpi[7]}),
              (std::array<std::uint8_t, 4>{1, 1, 0, 1}));
    EXPECT_EQ(mouse->malformedCount(), 0);
    page->profiles().add(u"Second");
    {
        const std::lock_guard guard(page->profiles().lock());
        page->profiles().current().set(Field::liftOffDistance, 1);
    }
    emit find<QListWidget>("list_profile")->currentRowChanged(1);
    EXPECT_TRUE(find<QAbstractButton>("option_lift_of_distance_2")->isChecked());
    EXPECT_TRUE(find<QAbstractButton>("option_ripple_control_1")->isChecked());
}

// Only the sensor options a slot's DPI report carries are offered.
TEST(SensorOptionsOffered, FollowTheSlotsDpiReport) {
    EXPECT_FALSE(dpiReportCarries(*descriptorFor(10), Field::liftOffDistance));
    EXPECT_FALSE(dpiReportCarries(*descriptorFor(10), Field::motionSync));
    EXPECT_TRUE(dpiReportCarries(*descriptorFor(7), Field::angleSnap));
    EXPECT_TRUE(dpiReportCarries(*descriptorFor(7), Field::rippleControl));
    EXPECT_FALSE(dpiReportCarries(*descriptorFor(7), Field::liftOffDistance));
    EXPECT_TRUE(dpiReportCarries(*descriptorFor(9), Field::liftOffDistance));
    EXPECT_FALSE(dpiReportCarries(*descriptorFor(9), Field::motionSync));
    EXPECT_TRUE(dpiReportCarries(*descriptorFor(2), Field::motionSync));
}

TEST_F(PageTest, EachOptionWritesItsOwnField) {
    // Slot 10's DPI report carries no sensor option: none is offered.
    for (const char* hidden : {"check_lift_of_distance", "hor_lift_of_distance",
                               "check_ripple_control", "hor_ripple_control", "check_angle_snap",
                               "hor_angle_snap", "check_motion_sync", "hor_motion_sync"})
        EXPECT_FALSE(find<QWidget>(hidden)->isVisibleTo(window.get())) << hidden;

    find<QCheckBox>("check_movemode")->click();
    EXPECT_EQ(current().get(Field::moveMode), 1);

    find<QAbstractButton>("btn_prate_2")->click();
    EXPECT_EQ(current().get(Field::pollingRate), 1);
    EXPECT_EQ(find<QLabel>("label_prate")->text(), window->texts().get("prate_2_text"));
    pump();
    EXPECT_EQ(mouse->settings().pollingCode, 0x04);  // 250 Hz

    emit find<QComboBox>("combo_light")->activated(2);
    EXPECT_EQ(current().get(Field::lightMode), 2);
    EXPECT_EQ(window->timers().interval(kDeferredApplyTimer), 200);
    runDeferredApply();
    EXPECT_EQ(mouse->settings().lighting->mode, 2);
    EXPECT_EQ(mouse->malformedCount(), 0);
}

TEST_F(PageTest, ARefreshShowsEachFieldOnItsOwnControl) {
    page->profiles().add(u"Second");
    {
        const std::lock_guard guard(page->profiles().lock());
        ProfileRecord& r = page->profiles().current();
        r.set(Field::sleepTimer, 7);
        r.set(Field::keyDebounce, 4);
        r.set(Field::brightness, 2);
        r.set(Field::breathSpeed, 5);
        r.set(Field::pollingRate, 0);
        r.set(Field::moveMode, 1);
        r.set(Field::lightMode, 3);
        r.set(Field::dpiLevel, 4);
        r.set(Field::dpiX, 20, 2);
        r.set(Field::dpiEnabled, 1, 6);
    }
    // The list's selection, as the user's click raises it: switches and shows.
    emit find<QListWidget>("list_profile")->currentRowChanged(1);

    EXPECT_EQ(find<QSlider>("slider_sleep_timer")->value(), 7);
    EXPECT_EQ(find<QSlider>("slider_key_debounce")->value(), 4);
    EXPECT_EQ(find<QSlider>("slider_brightness")->value(), 2);
    EXPECT_EQ(find<QSlider>("slider_breathspeed")->value(), 5);
    EXPECT_TRUE(find<QAbstractButton>("btn_prate_1")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("check_movemode")->isChecked());
    EXPECT_EQ(find<QComboBox>("combo_light")->currentIndex(), 3);
    EXPECT_TRUE(find<QAbstractButton>("option_dpi_step_5")->isChecked());
    EXPECT_TRUE(find<QLineEdit>("edit_dpi_5")->property("current").toBool());
    EXPECT_FALSE(find<QLineEdit>("edit_dpi_2")->property("current").toBool());
    EXPECT_EQ(find<QLineEdit>("edit_dpi_3")->text(), "2000");
    EXPECT_EQ(find<QSlider>("slider_dpi_3")->value(), 20);
    EXPECT_TRUE(find<QCheckBox>("check_dpi_step_7")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("check_dpi_step_8")->isChecked());
}

TEST_F(PageTest, DpiControlsWriteTheirOwnLevelAndKeepTheCurrentOneInTheCycle) {
    pump();
    const std::uint8_t code5 = mouse->settings().dpi->codes[4];
    find<QSlider>("slider_dpi_5")->setValue(40);
    EXPECT_EQ(current().get(Field::dpiX, 4), 40);
    EXPECT_EQ(current().get(Field::dpiX, 3), 16);
    EXPECT_EQ(find<QLabel>("label_dpi_5")->text(), "4000");
    EXPECT_EQ(find<QLineEdit>("edit_dpi_5")->text(), "4000");
    EXPECT_FALSE(window->timers().isActive(kDeferredApplyTimer));  // goes with the next apply

    // Choosing a level, or taking one into the cycle, reaches the mouse at once.
    find<QAbstractButton>("option_dpi_step_3")->click();
    EXPECT_EQ(current().get(Field::dpiLevel), 2);
    EXPECT_TRUE(find<QLineEdit>("edit_dpi_3")->property("current").toBool());
    pump();
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 3);

    find<QCheckBox>("check_dpi_step_7")->click();
    EXPECT_EQ(current().get(Field::dpiEnabled, 6), 1);
    pump();
    EXPECT_EQ(mouse->settings().dpi->enabledMask, 0x7F);
    find<QCheckBox>("check_dpi_step_3")->click();  // the current level cannot leave the cycle
    EXPECT_TRUE(find<QCheckBox>("check_dpi_step_3")->isChecked());
    EXPECT_EQ(current().get(Field::dpiEnabled, 2), 1);

    find<QLineEdit>("edit_dpi_8")->setFocus(Qt::MouseFocusReason);  // not in the cycle
    QCoreApplication::processEvents();
    EXPECT_EQ(current().get(Field::dpiLevel), 2);
    find<QLineEdit>("edit_dpi_4")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(current().get(Field::dpiLevel), 3);
    EXPECT_TRUE(find<QAbstractButton>("option_dpi_step_4")->isChecked());
    pump();
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 4);

    // What the mouse holds: level 4 current, level 7 in the cycle, level 3
    // still in it, and level 5 on another sensor code than before.
    find<QAbstractButton>("btn_apply_dpi")->click();
    pump();
    const sim::DpiSettings dpi = *mouse->settings().dpi;
    EXPECT_EQ(dpi.currentLevel, 4);
    EXPECT_EQ(dpi.enabledMask, 0x7F);
    EXPECT_NE(dpi.codes[4], code5);
    EXPECT_EQ(dpi.codes[4], dpi.secondBytes[4]);  // both axes
    EXPECT_EQ(find<QAbstractButton>("btn_apply_dpi")->text(), window->texts().get("apply_text"));
}

TEST_F(PageTest, CaptionsNameShortcutsWithTheirModifiersAndMacrosByName) {
    {
        const std::lock_guard guard(page->profiles().lock());
        ButtonSlot shortcut = page->profiles().current().button(2);
        shortcut.set(SlotField::function, 16);
        shortcut.set(SlotField::modifiers, 0b0101);  // Ctrl and Alt
        shortcut.set(SlotField::keyCode, 0x04);      // A
        ButtonSlot macro = page->profiles().current().button(3);
        macro.set(SlotField::function, 17);
        macro.setMacroName(u"Reload");
    }
    page->refreshTexts();
    const LanguageTexts& t = window->texts();
    EXPECT_EQ(find<QAbstractButton>("btn_key_3")->text(),
              t.get("keyboard_ctrl_text") + "+" + t.get("keyboard_alt_text") + "+A");
    EXPECT_EQ(find<QAbstractButton>("btn_key_4")->text(), t.get("assign_macro_text") + "Reload");
    EXPECT_EQ(find<QAbstractButton>("btn_key_2")->text(), t.get("right_click_text"));
}

TEST_F(PageTest, SectionBoxesHideTheirSectionAndOpeningALowOneScrolls) {
    auto* box = find<QCheckBox>("check_dpi");
    box->click();
    EXPECT_FALSE(find<QWidget>("ver_dpi")->isVisibleTo(window.get()));
    EXPECT_TRUE(find<QWidget>("ver_light")->isVisibleTo(window.get()));
    box->click();
    EXPECT_TRUE(find<QWidget>("ver_dpi")->isVisibleTo(window.get()));
    EXPECT_FALSE(window->timers().isActive(0x290 + 2));

    auto* low = find<QCheckBox>("check_motion_sync");
    low->click();  // closing a low section scrolls nowhere
    EXPECT_FALSE(find<QWidget>("hor_motion_sync")->isVisibleTo(window.get()));
    EXPECT_FALSE(window->timers().isActive(0x290 + 2));
    low->click();
    EXPECT_TRUE(window->timers().isActive(0x290 + 2));
    EXPECT_EQ(window->timers().interval(0x290 + 2), 10);
}

TEST_F(AbsentMouseTest, APageIsBuiltWhenItsMouseShowsUpAndShowsWhatItSaidBefore) {
    EXPECT_FALSE(page->built());
    EXPECT_EQ(page->control("progress_power"), nullptr);
    EXPECT_EQ(window->currentTab(), 0);

    report(0x4036, 0x4B01);  // 75 % through the receiver, before the page exists
    EXPECT_FALSE(page->built());
    pump();
    ASSERT_TRUE(page->built());
    EXPECT_EQ(window->currentTab(), 10);
    EXPECT_EQ(find<QProgressBar>("progress_power")->value(), 75);
    EXPECT_EQ(find<QLabel>("label_power")->text(), "75%");
    EXPECT_TRUE(find<QWidget>("wireless")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("wired")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("sleep_label")->isVisibleTo(window.get()));
    EXPECT_EQ(find<QLineEdit>("edit_dpi_2")->text(), "800");
}

TEST_F(AbsentMouseTest, AnotherModelsReportsNeitherBuildNorConnectThePage) {
    page->onReceiverReport(0x4010, 0x4B01, false, false);
    pump();
    EXPECT_FALSE(page->built());
    EXPECT_FALSE(page->connected());
}

// Buttons 6 and 9 play functions without a name of their own: their rows
// still say something.
TEST_F(PageTest, EveryButtonRowSaysWhatItDoes) {
    EXPECT_EQ(find<QAbstractButton>("btn_key_6")->text(), "Factory function");
    EXPECT_EQ(find<QAbstractButton>("btn_key_9")->text(), "Factory function");
    EXPECT_EQ(find<QLabel>("label_key_debounce")->text(), "6 ms");
}

// What a screen reader says: every control one can use has a name, in the
// current language.
TEST_F(PageTest, EveryControlHasANameForAScreenReader) {
    QWidget* root = page->control("page_root");
    ASSERT_NE(root, nullptr);
    int named = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const bool interactive = qobject_cast<QAbstractButton*>(w) || qobject_cast<QSlider*>(w) ||
                                 qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<QListWidget*>(w);
        if (!interactive || !w->isVisibleTo(window.get())) continue;
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const QString name = !w->accessibleName().isEmpty() ? w->accessibleName()
                             : button                       ? button->text()
                                                            : QString();
        EXPECT_FALSE(name.trimmed().isEmpty()) << w->objectName().toStdString();
        ++named;
    }
    EXPECT_GT(named, 60);
    EXPECT_EQ(find<QLineEdit>("edit_dpi_3")->accessibleName(), "DPI level 3 value");
    EXPECT_EQ(find<QAbstractButton>("btn_key_7")->accessibleName(), "Button 7: Forward");
    window->messages().post(kLanguageMessage, 1, 0);  // Chinese
    pump();
    EXPECT_EQ(find<QLineEdit>("edit_dpi_3")->accessibleName(), "DPI 档位 3 数值");
}

}  // namespace
}  // namespace velor
