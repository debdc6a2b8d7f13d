// The running program's control socket: velorctl's device commands come in
// as their command line and are carried out on the pages; the answer goes
// back once the command is done. One private socket per user.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "cli/mice_host.h"
#include "platform/local_server.h"

namespace velor {

class ControlServer final : public QObject {
    Q_OBJECT
  public:
    // What one misbehaving or crowding client may cost the program.
    struct Limits {
        // Connections open at once; one more is told the program is busy.
        int connections = 16;
        // How long a request may take to arrive whole (the command it
        // carries may then take as long as it needs).
        int requestMs = 5000;
    };

    ControlServer(const QString& socketPath, cli::MiceHost& host, QObject* parent = nullptr)
        : ControlServer(socketPath, host, Limits{}, parent) {}
    ControlServer(const QString& socketPath, cli::MiceHost& host, Limits limits,
                  QObject* parent = nullptr);
    ~ControlServer() override;
    bool listening() const { return server_ != nullptr; }
    QString error() const { return error_; }

  private:
    void listen();
    // A request come whole (or malformed), on the UI thread.
    void serve(const std::string& bytes, LocalServer::Received received,
               const LocalServer::Answer& answer);

    const QString socketPath_;
    const Limits limits_;
    cli::MiceHost& host_;
    QString error_;
    std::unique_ptr<LocalServer> server_;
};

}  // namespace velor
