#include "app/control_server.h"

#include <QLocalSocket>
#include <QPointer>
#include <QVariant>

#include "cli/velorctl.h"
#include "util/control_wire.h"

namespace velor {

ControlServer::ControlServer(const QString& socketPath, cli::MiceHost& host, QObject* parent)
    : QObject(parent), host_(host) {
    // The runtime folder is this user's alone (mode 0700), and the instance
    // lock says no other copy listens: a socket left there is stale.
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
    });
}

void ControlServer::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        // The request is read whole before anything runs; one per connection.
        if (socket->property("velorTaken").toBool()) return;
        const QByteArray bytes = socket->peek(socket->bytesAvailable());
        bool bad = false;
        const auto request = decodeRequest(std::string_view(bytes.constData(), bytes.size()), &bad);
        const QPointer<QLocalSocket> alive(socket);
        const auto answer = [alive](int code, std::string out, std::string err) {
            if (!alive) return;  // velorctl went away meanwhile
            const std::string reply = encodeAnswer({code, std::move(out), std::move(err)});
            alive->write(reply.data(), static_cast<qint64>(reply.size()));
            alive->flush();
            alive->disconnectFromServer();
        };
        if (bad) return answer(cli::kExitBadInput, {}, "velorctl: the request is malformed\n");
        if (!request) return;  // more bytes to come
        socket->setProperty("velorTaken", true);
        if (!cli::runDeviceCommand(request->args, host_, answer))
            answer(cli::kExitBadInput, {}, "velorctl: the program runs only device commands\n");
    });
}

}  // namespace velor
