// The lighting: the effect, and the brightness, speed and colour rows that
// the effect uses.
#pragma once

#include "ui/page/page_section.h"

class QComboBox;

namespace velor {

class LightingSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refresh(const ProfileRecord& r) override;
    void refreshTexts(const ProfileRecord& r) override;
    bool notify(const Notification& n) override;

    // The cable is in: the effect box and its rows show.
    void showWiredControls();
    // The mouse changed its effect itself: the box and the rows follow.
    void showEffect(int mode);

  private:
    void showRows(int mode);

    QComboBox* effect_ = nullptr;
    QWidget* brightnessRow_ = nullptr;
    QWidget* speedRow_ = nullptr;
    QWidget* colourRow_ = nullptr;
    QAbstractSlider* brightness_ = nullptr;
    QAbstractSlider* speed_ = nullptr;
    QAbstractButton* colour_ = nullptr;
};

}  // namespace velor
