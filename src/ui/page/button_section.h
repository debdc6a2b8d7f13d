// The mouse buttons: each button's caption, the assignment menu of buttons
// 1..12 with the shortcut and macro pickers it leads to, and the macro editor.
#pragma once

#include <QMenu>

#include <array>
#include <memory>

#include "ui/page/page_section.h"

namespace velor {

// Where the assignment menu opens: at the button's top right corner, or, when
// its items (22 px each) would reach the bottom of the screen, moved up so
// that it ends at the button.
QPoint assignmentMenuPosition(QPoint buttonTopRight, int visibleItems, int screenHeight);

class ButtonSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    void refreshTexts(const ProfileRecord& r) override;
    bool notify(const Notification& n) override;

    // An item of the assignment menu ("ms_<n>_" and the item's name) for the
    // button whose menu was opened last.
    void onMenuItem(const QString& item);

    // What a button's caption says in the current language (button 1..18).
    QString caption(const ProfileRecord& r, int button) const;

  private:
    void openMenu(int button, QWidget* anchor);
    void openMacroEditor();
    // The shortcut and macro pickers; false when the user cancelled.
    bool pickShortcut(int slot);
    bool pickMacro(int slot);

    std::array<QAbstractButton*, kButtonCount> buttons_{};
    QAbstractButton* macroEditor_ = nullptr;
    std::unique_ptr<QMenu> menu_;
    int menuButton_ = 0;  // 1..12 while a menu is open or was last
};

}  // namespace velor
