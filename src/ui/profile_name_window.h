// Asks for the name of a new profile, or the new name of the current one;
// refuses an empty name and one the list already has (in any case, its own
// included). Result 1 with the accepted name.
#pragma once

#include <functional>

#include "skin/skinned_dialog.h"
#include "store/profile_list.h"

namespace velor {

class CProfileNameWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    CProfileNameWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, int slot,
                    QString titleId, const ProfileList& profiles);

    QString className() const override { return QStringLiteral("MS_%1_ProfileName").arg(slot_); }
    QString skinFile() const override {
        return QStringLiteral("MS/MS_%1/profilename.xml").arg(slot_);
    }

    const std::u16string& acceptedName() const { return accepted_; }

    // How a refusal is told (a message window by default; tests record it).
    std::function<void(const QString& messageId)> warn;

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    int slot_;
    QString titleId_;
    const ProfileList& profiles_;
    std::u16string accepted_;
};

}  // namespace velor
