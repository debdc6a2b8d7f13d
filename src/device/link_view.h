// What the device link shows on its page and hands on to it. The page
// implements this on the UI thread; tests record the calls.
#pragma once

#include <cstdint>

namespace velor {

class LinkView {
  public:
    virtual ~LinkView() = default;
    virtual void showWiredIcon(bool shown) = 0;
    virtual void showSleepLabel(bool shown) = 0;
    // The power label in language-text mode showing "charging_text".
    virtual void showChargingText() = 0;
    // The power label out of language-text mode, emptied.
    virtual void clearPowerLabel() = 0;
    // The 30 ms charging animation; resetCounter starts it from 0.
    virtual void startChargingAnimation(bool resetCounter) = 0;
    virtual void stopChargingAnimation() = 0;
    virtual void showFeatureSections() = 0;
    // A status report that came with a library code.
    virtual void onStatusReport(std::uint16_t eventWord, std::uint16_t value) = 0;
    // A path to the mouse opened (the cable, or the receiver's reports came
    // back): the mouse may hold anything, so it gets the current profile whole.
    virtual void onLinkUp() = 0;
    // Some path went up or down (the choices a page offers may follow).
    virtual void linksChanged() {}
    // The Bluetooth indicator.
    virtual void showBleIcon(bool) {}
    // A status report of this slot's model that came as a Bluetooth notification.
    virtual void onBleReport(std::uint16_t, std::uint16_t) {}
};

}  // namespace velor
