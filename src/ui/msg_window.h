// The message box: a title and a message, both language text ids, and an
// optional detail in plain text (a file, what went wrong) in the message's %1,
// or under it; a question offers OK (1) and Cancel (0), a notice only OK.
#pragma once

#include "skin/skinned_dialog.h"

namespace velor {

class CMsgWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    enum class Kind { Question, Notice };
    CMsgWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, QString titleId,
            QString messageId, Kind kind = Kind::Question, QString detail = {});

    // A message composed by the caller, shown instead of the message id's text.
    void setMessageText(const QString& text) { messageText_ = text; }

    QString className() const override { return QStringLiteral("MsgWnd"); }
    QString skinFile() const override { return QStringLiteral("msg.xml"); }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    QString titleId_;
    QString messageId_;
    QString messageText_;
    Kind kind_;
    QString detail_;
};

}  // namespace velor
