// Power and sensor options: the sleep and light-off timers, key debounce,
// movement mode, the four two-way sensor options, and the way to the
// desktop's mouse settings.
#pragma once

#include <array>

#include "ui/page/page_section.h"

class QCheckBox;
class QLabel;

namespace velor {

class PowerSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refresh(const ProfileRecord& r) override;
    void refreshTexts(const ProfileRecord& r) override;
    bool notify(const Notification& n) override;

  private:
    struct SensorOption {
        Field field;
        std::array<QAbstractButton*, 2> choices{};
    };

    QAbstractSlider* sleep_ = nullptr;
    QLabel* sleepLabel_ = nullptr;
    QAbstractSlider* lightOff_ = nullptr;  // the light-off slots only
    QLabel* lightOffLabel_ = nullptr;
    QAbstractSlider* debounce_ = nullptr;
    QLabel* debounceLabel_ = nullptr;
    QCheckBox* moveMode_ = nullptr;
    QAbstractButton* mouseSettings_ = nullptr;
    std::array<SensorOption, 4> sensors_{{{Field::liftOffDistance, {}},
                                          {Field::rippleControl, {}},
                                          {Field::angleSnap, {}},
                                          {Field::motionSync, {}}}};
};

}  // namespace velor
