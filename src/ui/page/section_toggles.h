// The check boxes that show and hide the page's sections, the scroll that
// brings a section just opened into view, and the sections that only show
// while the cable, or any USB link, is up.
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
    void refreshTexts(const ProfileRecord&) override { keepSettingsWidth(); }
    bool notify(const Notification& n) override;

    void showWiredSections();
    // The sections the slot and the links up allow: over Bluetooth alone the
    // mouse takes no polling rate and no debounce, so those sections go, and
    // come back (closed) when a USB link is up again; a slot whose lighting is
    // not set from the page never shows it.
    void followLinks();
    // Timer T + 2.
    void onScrollTimer();

  private:
    // The settings column is never narrower than its controls need (in the
    // language shown): a narrow window scrolls the page across instead.
    void keepSettingsWidth();

    struct Toggle {
        QCheckBox* check = nullptr;
        QWidget* section = nullptr;
        bool scrolls = false;
    };
    static constexpr std::size_t kToggles = 13;

    std::array<Toggle, kToggles> toggles_{};
    std::array<QWidget*, 4> wiredOnly_{};
    QCheckBox* polling_ = nullptr;
    QCheckBox* debounce_ = nullptr;
    std::array<QWidget*, 3> usbOnly_{};  // the sections' contents
    std::array<QWidget*, 2> lighting_{};
    bool removedForBle_ = false;
    QScrollArea* settings_ = nullptr;
};

}  // namespace velor
