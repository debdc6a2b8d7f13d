#include "ui/page/power_section.h"

#include <QCheckBox>
#include <QLabel>

#include "platform/mouse_settings.h"

namespace velor {

namespace {

constexpr int kSliderSettleMs = 2000;
// The skin's names of the sensor options, in the order of PowerSection::sensors_.
constexpr const char* kSensorNames[] = {"lift_of_distance", "ripple_control", "angle_snap",
                                        "motion_sync"};

}  // namespace

void PowerSection::bind(const ControlIndex& c) {
    sleep_ = c.get<QAbstractSlider>("slider_sleep_timer");
    sleepLabel_ = c.get<QLabel>("label_sleep_timer");
    if (env_.model.hasLightOff) {
        lightOff_ = c.get<QAbstractSlider>("slider_light_off");
        lightOffLabel_ = c.get<QLabel>("label_light_off");
    }
    debounce_ = c.get<QAbstractSlider>("slider_key_debounce");
    debounceLabel_ = c.get<QLabel>("label_key_debounce");
    moveMode_ = c.get<QCheckBox>("check_movemode");
    mouseSettings_ = c.get<QAbstractButton>("btn_mouse_attribute");
    for (std::size_t i = 0; i < sensors_.size(); ++i) {
        sensors_[i].choices =
            c.numbered<QAbstractButton, 2>(QStringLiteral("option_%1_%2").arg(kSensorNames[i]));
        // An option the slot's report does not carry would change nothing on the mouse.
        if (dpiReportCarries(env_.model, sensors_[i].field)) continue;
        for (const char* part : {"check_%1", "hor_%1"})
            if (QWidget* w = c.get(QString::fromLatin1(part).arg(kSensorNames[i])))
                w->setVisible(false);
        sensors_[i].choices = {};
    }
}

void PowerSection::refresh(const ProfileRecord& r) {
    setQuietly(sleep_, r.i32(Field::sleepTimer));
    if (lightOff_) setQuietly(lightOff_, r.i32(Field::lightOffTimer));
    setQuietly(debounce_, r.i32(Field::keyDebounce));
    for (const SensorOption& o : sensors_) {
        const int choice = r.i32(o.field);
        if (choice == 0 || choice == 1) checkQuietly(o.choices[static_cast<std::size_t>(choice)]);
    }
    if (moveMode_) moveMode_->setChecked(r.get(Field::moveMode) != 0);
}

void PowerSection::refreshTexts(const ProfileRecord& r) {
    if (sleepLabel_)
        sleepLabel_->setText(QStringLiteral("%1%2 %3")
                                 .arg(env_.text("sleep_timer_3_text"))
                                 .arg(r.i32(Field::sleepTimer))
                                 .arg(env_.text("sleep_timer_2_text")));
    // The light-off timer counts half minutes.
    if (lightOffLabel_)
        lightOffLabel_->setText(QStringLiteral("%1%2 %3")
                                    .arg(env_.text("sleep_timer_1_text"))
                                    .arg(r.i32(Field::lightOffTimer) * 0.5, 0, 'f', 1)
                                    .arg(env_.text("sleep_timer_2_text")));
    // The mouse counts debounce in steps of 2 ms.
    if (debounceLabel_)
        debounceLabel_->setText(QStringLiteral("%1 %2")
                                    .arg(r.i32(Field::keyDebounce) * 2)
                                    .arg(env_.text("debounce_unit_text")));
}

bool PowerSection::notify(const Notification& n) {
    if (n.control == nullptr) return false;
    if (n.type == "valuechanged" &&
        (n.control == sleep_ || n.control == debounce_ || n.control == lightOff_)) {
        const Field field = n.control == sleep_      ? Field::sleepTimer
                            : n.control == lightOff_ ? Field::lightOffTimer
                                                     : Field::keyDebounce;
        env_.edit([&](ProfileRecord& r) { r.set(field, n.value); });
        refreshTexts(env_.current());
        // Dragging a slider sends once, after it rests.
        env_.context.timers.setTimer(env_.timer(page_timer::kDeferredApply), kSliderSettleMs);
        return true;
    }
    if (n.type == "checkclick" && n.control == moveMode_) {
        env_.edit([&](ProfileRecord& r) { r.set(Field::moveMode, n.value != 0 ? 1 : 0); });
        env_.requestApply();
        return true;
    }
    if (n.type == "selectchanged") {
        for (const SensorOption& o : sensors_) {
            const int k = indexOf(o.choices, n.control);
            if (k < 0) continue;
            env_.edit([&](ProfileRecord& r) { r.set(o.field, k); });
            env_.requestApply();
            return true;
        }
        return false;
    }
    if (n.type == "click" && n.control == mouseSettings_) {
        if (!openMouseSettings()) env_.services.tell("no_mouse_settings_text", {});
        return true;
    }
    return false;
}

}  // namespace velor
