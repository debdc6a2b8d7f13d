// The first copy's end of the single-instance socket: a "show" request from a
// second copy becomes a callback on the UI thread.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "platform/local_server.h"

namespace velor {

class InstanceServer final : public QObject {
    Q_OBJECT
  public:
    InstanceServer(const QString& socketPath, std::function<void()> onShow,
                   QObject* parent = nullptr);
    ~InstanceServer() override;
    bool listening() const { return server_ != nullptr; }
    QString error() const { return error_; }

  private:
    std::function<void()> onShow_;
    QString error_;
    std::unique_ptr<LocalServer> server_;
};

}  // namespace velor
