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
    wireless4k_ = c.get("wireless_4k");
    sleep_ = c.get("sleep_label");
    ring_ = c.get("apply_ring");
    if (ring_) {
        // Named for a screen reader; its place is kept while hidden, so
        // showing it moves nothing (the Apply button keeps its size).
        env_.context.skin.setAccessibleId(ring_, "a11y_applying_text");
        QSizePolicy policy = ring_->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        ring_->setSizePolicy(policy);
    }
    bar_ = c.get<QProgressBar>("progress_power");
    label_ = c.get<QLabel>("label_power");
    setShown(wired_, wiredShown_);
    setShown(wireless_, env_.link.wirelessOnline());
    setShown(wireless4k_, env_.link.wireless4kOnline());
    ble_ = c.get("BLE");
    setShown(ble_, env_.link.bleOnline());
    setShown(sleep_, sleepShown_);
    setShown(ring_, ringShown_);
    if (barValue_ >= 0) setBar(barValue_);
    showPowerLabel();
}

void StatusSection::showWiredIcon(bool shown) {
    wiredShown_ = shown;
    setShown(wired_, shown);
}

void StatusSection::showBleIcon(bool shown) {
    setShown(ble_, shown);
}

void StatusSection::showSleepLabel(bool shown) {
    // The Bluetooth models have no sleep notice.
    sleepShown_ = shown && !env_.model.hasBle;
    setShown(sleep_, sleepShown_);
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
    charging_ = true;
    if (windowShown_)
        env_.context.timers.setTimer(env_.timer(page_timer::kCharging), kChargingStepMs);
}

void StatusSection::stopChargingAnimation() {
    charging_ = false;
    env_.context.timers.killTimer(env_.timer(page_timer::kCharging));
}

// Nobody sees the animation of a hidden window: it rests until it shows.
void StatusSection::setWindowShown(bool shown) {
    windowShown_ = shown;
    if (!shown)
        env_.context.timers.killTimer(env_.timer(page_timer::kCharging));
    else if (charging_)
        env_.context.timers.setTimer(env_.timer(page_timer::kCharging), kChargingStepMs);
}

std::optional<int> StatusSection::battery() const {
    if (powerLabel_ != PowerLabel::Percent) return std::nullopt;
    return percent_;
}

void StatusSection::onChargingStep() {
    setBar(chargingCounter_);
    chargingCounter_ += 2;
    if (chargingCounter_ > 100) chargingCounter_ = 0;
}

bool StatusSection::online(Receiver via) const {
    return via == Receiver::FourK ? env_.link.wireless4kOnline() : env_.link.wirelessOnline();
}

int StatusSection::watchdog(Receiver via) const {
    return env_.timer(via == Receiver::FourK ? page_timer::kWatchdog4k : page_timer::kWatchdog);
}

void StatusSection::setOnline(Receiver via, bool online) {
    if (via == Receiver::FourK) {
        setShown(wireless4k_, online);
        env_.link.setWireless4kOnline(online);
    } else {
        setShown(wireless_, online);
        env_.link.setWirelessOnline(online);
    }
}

void StatusSection::keepAlive(Receiver via) {
    env_.context.timers.setTimer(watchdog(via), kWatchdogMs);
    if (!online(via)) setOnline(via, true);
}

void StatusSection::onWatchdog(Receiver via) {
    env_.context.timers.killTimer(watchdog(via));
    if (online(via)) setOnline(via, false);
}

// The battery as a report shows it; through a receiver, the receiver's
// presence too.
void StatusSection::showPower(const StatusReport& report) {
    if (report.power == PowerState::Full) {
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

void StatusSection::onPower(const StatusReport& report, Receiver via) {
    // Over the cable or Bluetooth only the battery shows: no receiver's link
    // is touched and no watchdog runs.
    if (via == Receiver::Cable || via == Receiver::Ble) return showPower(report);
    env_.context.timers.setTimer(watchdog(via), kWatchdogMs);
    const bool full = report.power == PowerState::Full;
    // A full battery on the cable: the receiver's link is not what carries it.
    if (full && env_.link.wiredState() == 1) {
        if (online(via)) setOnline(via, false);
        showLevel(100);
        stopChargingAnimation();
        return;
    }
    // On battery the 4K receiver counts only while the other one is silent.
    const bool battery = report.power == PowerState::OnBattery;
    const bool mayGoOnline = via != Receiver::FourK || !battery || !env_.link.wirelessOnline();
    if (!online(via) && mayGoOnline) setOnline(via, true);
    env_.link.setOffline(false);
    showSleepLabel(false);
    showPower(report);
}

}  // namespace velor
