#include "app/instance_server.h"

#include <QLocalSocket>

#include "platform/instance_notify.h"

namespace velor {

InstanceServer::InstanceServer(const QString& socketPath, std::function<void()> onShow,
                               QObject* parent)
    : QObject(parent), onShow_(std::move(onShow)) {
    // We hold the instance lock, so a socket file still there was left by a
    // copy that died: it can go.
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                // Only the request itself counts; anything else is ignored.
                if (client->canReadLine() && client->readLine(64) == kShowRequest) onShow_();
                client->disconnectFromServer();
            });
        }
    });
}

}  // namespace velor
