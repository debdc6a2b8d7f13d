#include "ui/notice_board.h"

#include <QApplication>

#include <algorithm>

#include "ui/msg_window.h"

namespace velor {

NoticeBoard::NoticeBoard(std::function<QWidget*()> parent, LanguageTexts& texts, QString skinFolder)
    : parent_(std::move(parent)), texts_(texts), skinFolder_(std::move(skinFolder)) {}

NoticeBoard::~NoticeBoard() {
    if (shown_) shown_->deleteLater();
}

void NoticeBoard::tell(const QString& messageId, const QString& detail) {
    const News news{messageId, detail};
    if ((shown_ && shownNews_ == news) ||
        std::find(waiting_.begin(), waiting_.end(), news) != waiting_.end())
        return;
    waiting_.push_back(news);
    if (!shown_) showNext();
}

void NoticeBoard::showNext() {
    while (!shown_ && !waiting_.empty()) {
        shownNews_ = waiting_.front();
        waiting_.pop_front();
        // Over a modal window of ours (the macro editor, the rules window) a
        // notice is its child: otherwise the modal window would keep its OK
        // from being clicked.
        QWidget* modal = QApplication::activeModalWidget();
        auto* notice = new CMsgWnd(modal != nullptr ? modal : parent_(), texts_, skinFolder_,
                                   "warning_title_text", shownNews_.first, CMsgWnd::Kind::Notice,
                                   shownNews_.second);
        notice->setAttribute(Qt::WA_DeleteOnClose);
        if (!notice->create()) {
            delete notice;
            continue;
        }
        // Closed, or gone with the window it stood over: the next one comes.
        QObject::connect(notice, &QObject::destroyed, &guard_, [this] {
            shown_ = nullptr;
            showNext();
        });
        notice->centerOverParent();
        notice->show();
        shown_ = notice;
    }
}

}  // namespace velor
