#include "app/instance_server.h"

#include "platform/instance_notify.h"

namespace velor {

InstanceServer::InstanceServer(const QString& socketPath, std::function<void()> onShow,
                               QObject* parent)
    : QObject(parent), onShow_(std::move(onShow)) {
    using Received = LocalServer::Received;
    LocalServer::Handlers handlers;
    // The request is one line; only the request itself counts.
    handlers.judge = [](std::string_view bytes) {
        return bytes.find('\n') != std::string_view::npos || bytes.size() >= 64 ? Received::whole
                                                                                : Received::partial;
    };
    handlers.onRequest = [this](std::string bytes, Received, LocalServer::Answer answer) {
        // Hanging up without a word tells the second copy it was heard.
        answer({});
        if (bytes.substr(0, bytes.find('\n') + 1) == kShowRequest)
            QMetaObject::invokeMethod(
                this, [this] { onShow_(); }, Qt::QueuedConnection);
    };
    // Beyond the bound the second copy is told to come again: it keeps
    // trying for a while rather than end with the window still hidden.
    handlers.busy = kInstanceBusy;
    // A second copy sends its line at once: a client silent for a second is
    // stalling, and its place is freed for the next.
    const LocalServer::Limits limits{16, Millis(1000)};
    std::string error;
    // We hold the instance lock, so a socket file still there was left by a
    // copy that died: it goes.
    server_ = LocalServer::listen(socketPath.toStdString(), std::move(handlers), limits, &error);
    error_ = QString::fromStdString(error);
}

// The server's thread ends before this object does: nothing it posts finds
// the object half gone.
InstanceServer::~InstanceServer() {
    server_.reset();
}

}  // namespace velor
