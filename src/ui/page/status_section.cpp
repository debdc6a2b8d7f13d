#include "ui/page/status_section.h"

#include <QLabel>
#include <QProgressBar>

namespace velor {

namespace {

constexpr int kWatchdogMs = 6000;
constexpr int kChargingStepMs = 30;

void setShown(QWidget* w, bool shown) {
    if (w) w->setVisible(shown);
}

}  // namespace

void StatusSection::bind(const ControlIndex& c) {
    wired_ = c.get("wired");
    wireless_ = c.get("wireless");
    sleep_ = c.get("sleep_label");
    ring_ = c.get("apply_ring");
    bar_ = c.get<QProgressBar>("progress_power");
    label_ = c.get<QLabel>("label_power");
    setShown(wired_, wiredShown_);
    setShown(wireless_, env_.link.wirelessOnline());
    setShown(sleep_, sleepShown_);
    setShown(ring_, ringShown_);
    if (barValue_ >= 0) setBar(barValue_);
    showPowerLabel();
}

void StatusSection::showWiredIcon(bool shown) {
    wiredShown_ = shown;
    setShown(wired_, shown);
}

void StatusSection::showSleepLabel(bool shown) {
    sleepShown_ = shown;
    setShown(sleep_, shown);
}

void StatusSection::showApplyRing(bool shown) {
    ringShown_ = shown;
    setShown(ring_, shown);
}

void StatusSection::showChargingText() {
    powerLabel_ = PowerLabel::Charging;
    showPowerLabel();
}

void StatusSection::clearPowerLabel() {
    powerLabel_ = PowerLabel::Cleared;
    showPowerLabel();
}

void StatusSection::showLevel(int percent) {
    setBar(percent);
    powerLabel_ = PowerLabel::Percent;
    percent_ = percent;
    showPowerLabel();
}

void StatusSection::setBar(int value) {
    barValue_ = value;
    if (bar_) bar_->setValue(value);
}

void StatusSection::showPowerLabel() {
    if (label_ == nullptr) return;
    switch (powerLabel_) {
        case PowerLabel::Untouched:
            return;
        case PowerLabel::Charging:
            env_.context.skin.setTextId(label_, "charging_text");
            return;
        case PowerLabel::Percent:
        case PowerLabel::Cleared:
            // A plain text, no longer a language text.
            label_->setProperty("textId", QVariant());
            if (powerLabel_ == PowerLabel::Percent)
                label_->setText(QStringLiteral("%1%").arg(percent_));
            else
                label_->clear();
            return;
    }
}

void StatusSection::startChargingAnimation(bool resetCounter) {
    if (resetCounter) chargingCounter_ = 0;
    env_.context.timers.setTimer(env_.timer(page_timer::kCharging), kChargingStepMs);
}

void StatusSection::stopChargingAnimation() {
    env_.context.timers.killTimer(env_.timer(page_timer::kCharging));
}

void StatusSection::onChargingStep() {
    setBar(chargingCounter_);
    chargingCounter_ += 2;
    if (chargingCounter_ > 100) chargingCounter_ = 0;
}

void StatusSection::setWirelessOnline(bool online) {
    setShown(wireless_, online);
    env_.link.setWirelessOnline(online);
}

void StatusSection::keepWirelessAlive() {
    env_.context.timers.setTimer(env_.timer(page_timer::kWatchdog), kWatchdogMs);
    if (!env_.link.wirelessOnline()) setWirelessOnline(true);
}

void StatusSection::onWatchdog() {
    env_.context.timers.killTimer(env_.timer(page_timer::kWatchdog));
    if (env_.link.wirelessOnline()) setWirelessOnline(false);
}

void StatusSection::onPower(const StatusReport& report) {
    env_.context.timers.setTimer(env_.timer(page_timer::kWatchdog), kWatchdogMs);
    const bool full = report.power == PowerState::Full;
    // A full battery on the cable: the receiver's link is not what carries it.
    if (full && env_.link.wiredState() == 1) {
        if (env_.link.wirelessOnline()) setWirelessOnline(false);
        showLevel(100);
        stopChargingAnimation();
        return;
    }
    if (!env_.link.wirelessOnline()) setWirelessOnline(true);
    env_.link.setOffline(false);
    showSleepLabel(false);
    if (full) {
        stopChargingAnimation();
        showLevel(100);
    } else if (report.power == PowerState::Charging) {
        startChargingAnimation(false);
        showChargingText();
    } else {
        stopChargingAnimation();
        if (report.batteryPercent) showLevel(*report.batteryPercent);
    }
}

}  // namespace velor
