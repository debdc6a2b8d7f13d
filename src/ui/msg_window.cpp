#include "ui/msg_window.h"

namespace velor {

CMsgWnd::CMsgWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, QString titleId,
                 QString messageId, Kind kind, QString detail)
    : SkinnedDialog(parent, texts, skinFolder),
      titleId_(std::move(titleId)),
      messageId_(std::move(messageId)),
      kind_(kind),
      detail_(std::move(detail)) {}

void CMsgWnd::initWindow() {
    skin().setTextId(skin().findControl("warning_title"), titleId_);
    if (QWidget* message = skin().findControl("warning")) {
        if (messageText_.isEmpty() && detail_.isEmpty()) {
            skin().setTextId(message, messageId_);
        } else {
            // Composed once: the box lives for one reading.
            QString text = messageText_.isEmpty() ? skin().texts().get(messageId_) : messageText_;
            // A text with a place for the detail takes it there, else below.
            if (text.contains(QLatin1String("%1")))
                text = text.arg(detail_);
            else if (!detail_.isEmpty())
                text += QStringLiteral("\n\n") + detail_;
            setControlText(message, text);
            // The detail (a path, a reason) is read whole: the box grows for it.
            const int needed = heightForWidth(width());
            if (needed > height()) resize(width(), needed);
        }
    }
    setWindowTitle(skin().texts().get(titleId_));
    // A notice asks nothing: there is nothing to cancel.
    if (QWidget* cancel = skin().findControl("btn_cancel"))
        cancel->setVisible(kind_ == Kind::Question);
}

void CMsgWnd::onNotify(const Notification& n) {
    if (n.type != "click") return;
    if (n.sender == "btn_ok") closeWith(1);
    if (n.sender == "btn_cancel") closeWith(0);
}

}  // namespace velor
