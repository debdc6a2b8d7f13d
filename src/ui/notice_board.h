// A page's notices, shown without holding anything up: no notice runs a loop
// of its own, so a velorctl request that meets one is answered at once and
// no other request runs inside it. One notice is up at a time; the next waits
// until it is closed, and news already up or waiting is not queued again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <utility>

namespace velor {

class CMsgWnd;
class LanguageTexts;

class NoticeBoard {
  public:
    // parent: the window a notice stands over, asked when it is shown.
    NoticeBoard(std::function<QWidget*()> parent, LanguageTexts& texts, QString skinFolder);
    ~NoticeBoard();
    NoticeBoard(const NoticeBoard&) = delete;
    NoticeBoard& operator=(const NoticeBoard&) = delete;

    void tell(const QString& messageId, const QString& detail);

  private:
    using News = std::pair<QString, QString>;  // id, detail
    void showNext();

    std::function<QWidget*()> parent_;
    LanguageTexts& texts_;
    const QString skinFolder_;
    QObject guard_;  // ends the notices' calls back when the board goes
    QPointer<CMsgWnd> shown_;
    News shownNews_;
    std::deque<News> waiting_;
};

}  // namespace velor
