// Timers by numeric id on the main window, repeating until killed (setting an
// id that runs restarts it). Expiries reach one handler on the UI thread.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

namespace velor {

class TimerHost final : public QObject {
    Q_OBJECT
  public:
    explicit TimerHost(QObject* parent = nullptr) : QObject(parent) {}

    void setTimer(int id, int milliseconds);
    void killTimer(int id);
    bool isActive(int id) const;
    // The period of a running timer; 0 when it is not running.
    int interval(int id) const;
    void setHandler(std::function<void(int id)> handler) { handler_ = std::move(handler); }
    // Runs a running timer's expiry now, as its time would (tests run in no time).
    void fire(int id) {
        if (isActive(id) && handler_) handler_(id);
    }

  private:
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::function<void(int)> handler_;
};

}  // namespace velor
