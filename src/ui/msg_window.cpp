#include "ui/msg_window.h"

namespace velor {

CMsgWnd::CMsgWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder, QString titleId,
                 QString messageId, Kind kind)
    : SkinnedDialog(parent, texts, skinFolder),
      titleId_(std::move(titleId)),
      messageId_(std::move(messageId)),
      kind_(kind) {}

void CMsgWnd::initWindow() {
    skin().setTextId(skin().findControl("warning_title"), titleId_);
    if (QWidget* message = skin().findControl("warning")) {
        if (messageText_.isEmpty())
            skin().setTextId(message, messageId_);
        else
            setControlText(message, messageText_);
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
