// The applications a profile is used with: its rules, the applications with a
// window open to pick from, and a typed window class or program name. Every
// change is stored at once; a desktop that cannot tell which application is
// in front is named, with the velorctl command to use from one's own hooks.
#pragma once

#include <functional>
#include <memory>

#include "platform/front_application.h"
#include "skin/skinned_dialog.h"
#include "store/app_rules.h"
#include "ui/focused_button_default.h"

namespace velor {

class CAppRulesWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    struct Services {
        int slot;
        std::u16string profile;
        // Changes the slot's rules (stored at once); the outcome says why not.
        std::function<RulesOutcome(const RulesEdit&)> edit;
        std::vector<FrontApplication> running;
        std::string unavailable;  // empty when profiles follow the front application
        // Tells the user a change was refused or not stored.
        std::function<void(const QString& detail)> tell;
    };
    CAppRulesWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                 Services services);

    QString className() const override { return QStringLiteral("AppRulesWnd"); }
    QString skinFile() const override { return QStringLiteral("apprules.xml"); }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    // True when the change was made (and stored).
    bool change(const RulesEdit& edit);
    void addTyped();
    void showRules(const std::vector<AppRule>& rules);

    Services services_;
    std::unique_ptr<FocusedButtonDefault> enterKeys_;
};

}  // namespace velor
