// The profile list: the profiles by name, switching between them, and the
// add, delete, rename, import, export and restore-defaults buttons.
#pragma once

#include <QStringList>

#include <string>
#include <unordered_map>

#include "ui/page/page_section.h"

class QListWidget;

namespace velor {

class PageRules;

class ProfileSection final : public PageSection {
  public:
    using PageSection::PageSection;

    void bind(const ControlIndex& controls) override;
    bool notify(const Notification& n) override;

    // The list from the profiles, the current one selected; with notify the
    // selection switches to it as a user's choice would.
    void fill(bool notify);
    // The rules that follow a renamed or deleted profile and the user's choice.
    void setRules(PageRules* rules) { rules_ = rules; }

  private:
    // The applications whose rules name each profile, found in one pass over
    // the rules: a store of many profiles and many rules fills at once.
    std::unordered_map<std::u16string, QStringList> applicationsByProfile() const;
    void select(int index);
    void add();
    void rename();
    void remove();
    void importFile();
    void exportFile();
    void restoreDefaults();
    // The current profile everywhere, and all of it to the mouse.
    void switchedTo();

    QListWidget* list_ = nullptr;
    QAbstractButton* add_ = nullptr;
    QAbstractButton* delete_ = nullptr;
    QAbstractButton* rename_ = nullptr;
    QAbstractButton* import_ = nullptr;
    QAbstractButton* export_ = nullptr;
    std::array<QAbstractButton*, 2> restore_{};
    QAbstractButton* apps_ = nullptr;
    PageRules* rules_ = nullptr;
};

}  // namespace velor
