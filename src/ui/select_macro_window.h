// The macro picker: which macro a button plays, and how it repeats (mode 0
// with a count of 1..255, or modes 1 and 2). Result 1 with a macro index
// inside the list, or -1 when none was chosen.
#pragma once

#include "skin/skinned_dialog.h"
#include "store/macro_store.h"

namespace velor {

class CSelectMacroWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    CSelectMacroWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, int slot,
                    const MacroList& macros);

    QString className() const override { return QStringLiteral("MS_%1_SelectMacro").arg(slot_); }
    QString skinFile() const override {
        return QStringLiteral("MS/MS_%1/selectmacro.xml").arg(slot_);
    }

    // Set before the run, read after it.
    int macroIndex = -1;
    int repeatMode = 0;
    int repeatCount = 1;

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    void showCountRow();
    void takeCount();

    int slot_;
    const MacroList& macros_;
};

}  // namespace velor
