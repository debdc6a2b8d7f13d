// The first copy's end of the single-instance socket: a "show" request from a
// second copy becomes a callback on the UI thread.
#pragma once

#include <QLocalServer>

#include <functional>

namespace velor {

class InstanceServer final : public QObject {
    Q_OBJECT
  public:
    InstanceServer(const QString& socketPath, std::function<void()> onShow,
                   QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }
    QString error() const { return server_.errorString(); }

  private:
    QLocalServer server_;
    std::function<void()> onShow_;
};

}  // namespace velor
