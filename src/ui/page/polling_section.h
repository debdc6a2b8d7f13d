// The polling rate: four rates, seven (the high-rate slots, the upper three
// only through the 4K receiver), or two settings (a four-rate one for the
// cable and the 2.4 GHz receiver, a seven-rate one for the 4K receiver).
#pragma once

#include <array>

#include "ui/page/page_section.h"

class QCheckBox;

namespace velor {

class PollingSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refresh(const ProfileRecord& r) override;
    bool notify(const Notification& n) override;

    // Selects the option of a polling index in field (the mouse's own switch,
    // or a refresh).
    void showRate(Field field, int rate);
    // What the links that are up allow (run at each change of a link).
    void offerByLink();

  private:
    static constexpr std::size_t kRates = 7;
    bool fourRateLinkUp() const;

    std::array<QAbstractButton*, kRates> rates_{};
    std::array<QAbstractButton*, kRates> highRates_{};  // btn_prate_hs_%d
    QWidget* caption_ = nullptr;
    QCheckBox* section_ = nullptr;
    QWidget* fourRateSet_ = nullptr;   // ver_prate
    QWidget* sevenRateSet_ = nullptr;  // ver_prate_hs
};

}  // namespace velor
