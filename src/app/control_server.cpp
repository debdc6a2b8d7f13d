#include "app/control_server.h"

#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariant>

#include "cli/velorctl.h"
#include "util/control_wire.h"

namespace velor {

namespace {

// How soon listening is tried again when it failed (out of descriptors, say).
constexpr int kRelistenMs = 1000;

void send(QLocalSocket* socket, const ControlAnswer& answer) {
    const std::string reply = encodeAnswer(answer);
    socket->write(reply.data(), static_cast<qint64>(reply.size()));
    socket->flush();
    socket->disconnectFromServer();
}

}  // namespace

ControlServer::ControlServer(const QString& socketPath, cli::MiceHost& host, Limits limits,
                             QObject* parent)
    : QObject(parent), socketPath_(socketPath), limits_(limits), host_(host) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            if (open_ >= limits_.connections)
                refuse(socket);
            else
                serve(socket);
        }
    });
    listen();
}

ControlServer::~ControlServer() {
    // The server's sockets and watcher go after this object: they must not
    // call back into it.
    disconnect(listenerGone_);
    for (QLocalSocket* socket : server_.findChildren<QLocalSocket*>()) socket->disconnect(this);
}

void ControlServer::listen() {
    // The runtime folder is this user's alone (mode 0700), and the instance
    // lock says no other copy listens: a socket left there is stale.
    QLocalServer::removeServer(socketPath_);
    if (!server_.listen(socketPath_)) {
        if (!retrying_) {
            retrying_ = true;
            QTimer::singleShot(kRelistenMs, this, [this] {
                retrying_ = false;
                keepListening();
            });
        }
        return;
    }
    // When an accept fails (no descriptor left, say), QLocalServer closes the
    // listening socket for good and says nothing; the watcher it made then
    // goes, which is our cue to listen again.
    disconnect(listenerGone_);
    const auto watchers = server_.findChildren<QSocketNotifier*>();
    if (!watchers.isEmpty())
        listenerGone_ =
            connect(watchers.last(), &QObject::destroyed, this, [this] { keepListening(); });
}

void ControlServer::keepListening() {
    if (!server_.isListening()) listen();
}

// Beyond the bound the connection costs no more than this answer.
void ControlServer::refuse(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    send(socket, {cli::kExitDevice,
                  {},
                  "velorctl: the program is busy with other requests; try again in a moment\n"});
}

void ControlServer::serve(QLocalSocket* socket) {
    ++open_;
    connect(socket, &QObject::destroyed, this, [this] {
        --open_;
        keepListening();  // a descriptor is free again
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A request that does not arrive whole in time is dropped with its descriptor.
    auto* stalled = new QTimer(socket);
    stalled->setSingleShot(true);
    connect(stalled, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    stalled->start(limits_.requestMs);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, stalled] {
        // The request is read whole before anything runs; one per connection.
        if (socket->property("velorTaken").toBool()) return;
        const QByteArray bytes = socket->peek(socket->bytesAvailable());
        bool bad = false;
        const auto request = decodeRequest(std::string_view(bytes.constData(), bytes.size()), &bad);
        const QPointer<QLocalSocket> alive(socket);
        const auto answer = [alive](int code, std::string out, std::string err) {
            if (!alive) return;  // velorctl went away meanwhile
            send(alive, {code, std::move(out), std::move(err)});
        };
        if (bad) return answer(cli::kExitBadInput, {}, "velorctl: the request is malformed\n");
        if (!request) return;  // more bytes to come
        socket->setProperty("velorTaken", true);
        stalled->stop();
        if (!cli::runDeviceCommand(request->args, host_, answer))
            answer(cli::kExitBadInput, {}, "velorctl: the program runs only device commands\n");
    });
}

}  // namespace velor
