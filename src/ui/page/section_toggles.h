// The check boxes that show and hide the page's sections, the scroll that
// brings a section just opened into view, and the sections that only show
// while the cable is in.
#pragma once

#include <array>

#include "ui/page/page_section.h"

class QCheckBox;
class QScrollArea;

namespace velor {

class SectionToggles final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    bool notify(const Notification& n) override;

    void showWiredSections();
    // Timer T + 2.
    void onScrollTimer();

  private:
    struct Toggle {
        QCheckBox* check = nullptr;
        QWidget* section = nullptr;
        bool scrolls = false;
    };
    static constexpr std::size_t kToggles = 13;

    std::array<Toggle, kToggles> toggles_{};
    std::array<QWidget*, 4> wiredOnly_{};
    QScrollArea* settings_ = nullptr;
};

}  // namespace velor
