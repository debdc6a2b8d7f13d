#include "ui/profile_name_window.h"

#include <QLineEdit>

#include "store/name_rules.h"
#include "ui/msg_window.h"

namespace velor {

CProfileNameWnd::CProfileNameWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                                 int slot, QString titleId, const ProfileList& profiles)
    : SkinnedDialog(parent, texts, skinFolder),
      slot_(slot),
      titleId_(std::move(titleId)),
      profiles_(profiles) {
    warn = [this, skinFolder](const QString& messageId) {
        CMsgWnd message(this, skin().texts(), skinFolder, "warning_title_text", messageId,
                        CMsgWnd::Kind::Notice);
        if (!message.create()) return;
        message.centerOverParent();
        message.showModal();
    };
}

void CProfileNameWnd::initWindow() {
    skin().setTextId(skin().findControl("title_string"), titleId_);
    setWindowTitle(skin().texts().get(titleId_));
    if (auto* edit = skin().find<QLineEdit>("edit_name")) {
        edit->clear();
        edit->setMaxLength(static_cast<int>(kProfileNameLimit));
        edit->setFocus();
    }
}

void CProfileNameWnd::onNotify(const Notification& n) {
    // Enter in the name box reaches OK as the window's default button.
    if (n.type != "click") return;
    if (n.sender == "btn_cancel" || n.sender == "btn_exit") return closeWith(0);
    if (n.sender != "btn_ok") return;
    const auto* edit = skin().find<QLineEdit>("edit_name");
    const std::u16string name = edit ? edit->text().toStdU16String() : std::u16string();
    if (name.empty()) return warn("warn_name_1_text");
    std::vector<std::u16string> names;
    {
        const std::lock_guard guard(profiles_.lock());
        names = profiles_.names();
    }
    if (nameTaken(names, name)) return warn("warn_name_2_text");
    accepted_ = name;
    closeWith(1);
}

}  // namespace velor
