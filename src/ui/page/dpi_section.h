// The DPI levels: per level a value slider, label and edit box, the option
// that makes it current, the box that takes it into the cycle and its colour;
// the apply and reset buttons of the section.
#pragma once

#include <array>

#include "ui/page/page_section.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace velor {

class DpiSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refresh(const ProfileRecord& r) override;
    bool notify(const Notification& n) override;

    // The mouse changed its level itself (0-based); the record already has it.
    void showLevel(int level);
    // The apply button says whether a DPI change is still to be sent.
    void showPending();

  private:
    void markCurrentEdit();
    void showValue(int level, int sliderValue, bool onSlider);
    void onEdit(int level, const Notification& n, QLineEdit* edit);
    void onEnable(int level, bool checked);
    int usableValue(const ProfileRecord& r, int level) const;

    std::array<QSlider*, kDpiLevels> sliders_{};
    std::array<QLabel*, kDpiLevels> labels_{};
    std::array<QLineEdit*, kDpiLevels> edits_{};
    std::array<QAbstractButton*, kDpiLevels> options_{};
    std::array<QCheckBox*, kDpiLevels> enables_{};
    std::array<QAbstractButton*, kDpiLevels> colours_{};
    QAbstractButton* apply_ = nullptr;
    QAbstractButton* reset_ = nullptr;
};

}  // namespace velor
