// Connection and battery: the cable, receiver and Bluetooth indicators, the battery bar
// and label with the charging animation, the sleep notice, the apply ring and
// the wireless watchdog. It keeps what it shows, so a page built later shows
// what the mouse said before.
#pragma once

#include <optional>

#include "protocol/status_report.h"
#include "ui/page/page_section.h"

class QLabel;
class QProgressBar;

namespace velor {

class StatusSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;

    // What the device link shows.
    void showWiredIcon(bool shown);
    void showBleIcon(bool shown);
    void showSleepLabel(bool shown);
    void showChargingText();
    void clearPowerLabel();
    void startChargingAnimation(bool resetCounter);
    void stopChargingAnimation();
    void setWindowShown(bool shown);
    void showApplyRing(bool shown);

    // A report of this slot through a receiver: the mouse is there.
    void keepAlive(Receiver via);
    void setOnline(Receiver via, bool online);
    void onPower(const StatusReport& report, Receiver via);
    // Timers T + 0 and T + 4 (no report through that receiver for 6 s) and
    // T + 3 (a step of the animation).
    void onWatchdog(Receiver via);
    void onChargingStep();

    // What the battery shows: its percent once the mouse said, and whether it charges.
    std::optional<int> battery() const;
    bool charging() const { return powerLabel_ == PowerLabel::Charging; }

  private:
    enum class PowerLabel { Untouched, Percent, Charging, Cleared };
    void showLevel(int percent);
    void showPower(const StatusReport& report);
    void showPowerLabel();
    void setBar(int value);
    bool online(Receiver via) const;
    int watchdog(Receiver via) const;

    QWidget* wired_ = nullptr;
    QWidget* wireless_ = nullptr;
    QWidget* wireless4k_ = nullptr;
    QWidget* ble_ = nullptr;
    QWidget* sleep_ = nullptr;
    QWidget* ring_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* label_ = nullptr;

    bool wiredShown_ = false;
    bool sleepShown_ = false;
    bool ringShown_ = false;
    int barValue_ = -1;  // -1: as the skin has it
    PowerLabel powerLabel_ = PowerLabel::Untouched;
    int percent_ = 0;
    int chargingCounter_ = 0;
    bool charging_ = false;     // the animation runs (while the window shows)
    bool windowShown_ = true;
};

}  // namespace velor
