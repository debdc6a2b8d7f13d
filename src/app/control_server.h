// The running program's control socket: velorctl's device commands come in
// as their command line and are carried out on the pages; the answer goes
// back once the command is done. One private socket per user.
#pragma once

#include <QLocalServer>

#include "cli/mice_host.h"

namespace velor {

class ControlServer final : public QObject {
    Q_OBJECT
  public:
    ControlServer(const QString& socketPath, cli::MiceHost& host, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }
    QString error() const { return server_.errorString(); }

  private:
    void serve(QLocalSocket* socket);

    QLocalServer server_;
    cli::MiceHost& host_;
};

}  // namespace velor
