// The two-button message box: a title and a message, both language text ids;
// 1 for OK, 0 for Cancel.
#pragma once

#include "skin/skinned_dialog.h"

namespace velor {

class CMsgWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    CMsgWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, QString titleId,
            QString messageId);

    QString className() const override { return QStringLiteral("MsgWnd"); }
    QString skinFile() const override { return QStringLiteral("msg.xml"); }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    QString titleId_;
    QString messageId_;
};

}  // namespace velor
