// The polling rate: one option per rate and the caption that names it.
#pragma once

#include <array>

#include "ui/page/page_section.h"

namespace velor {

class PollingSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refresh(const ProfileRecord& r) override { showRate(r.i32(Field::pollingRate)); }
    bool notify(const Notification& n) override;

    // Selects the option and caption of a polling index (the mouse's own
    // switch, or a refresh).
    void showRate(int rate);

  private:
    static constexpr std::size_t kRates = 4;
    std::array<QAbstractButton*, kRates> rates_{};
    QWidget* caption_ = nullptr;
};

}  // namespace velor
