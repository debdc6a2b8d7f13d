#include "app/control_server.h"

#include <QTimer>

#include "cli/velorctl.h"
#include "util/control_wire.h"

namespace velor {

namespace {

// How soon listening is tried again when it failed (out of descriptors, say).
constexpr int kRelistenMs = 1000;

LocalServer::Received judge(std::string_view bytes) {
    bool bad = false;
    const auto request = decodeRequest(bytes, &bad);
    if (bad) return LocalServer::Received::malformed;
    return request ? LocalServer::Received::whole : LocalServer::Received::partial;
}

}  // namespace

ControlServer::ControlServer(const QString& socketPath, cli::MiceHost& host, Limits limits,
                             QObject* parent)
    : QObject(parent), socketPath_(socketPath), limits_(limits), host_(host) {
    listen();
}

// The server's thread ends before this object does: nothing it posts finds
// the object half gone.
ControlServer::~ControlServer() {
    server_.reset();
}

void ControlServer::listen() {
    LocalServer::Handlers handlers;
    handlers.judge = judge;
    // The request is read whole before anything runs; one per connection.
    handlers.onRequest = [this](std::string bytes, LocalServer::Received received,
                                LocalServer::Answer answer) {
        QMetaObject::invokeMethod(
            this,
            [this, bytes = std::move(bytes), received, answer = std::move(answer)] {
                serve(bytes, received, answer);
            },
            Qt::QueuedConnection);
    };
    // Beyond the bound the connection costs no more than this answer.
    handlers.busy = encodeAnswer(
        {cli::kExitDevice,
         {},
         "velorctl: the program is busy with other requests; try again in a moment\n"});
    std::string error;
    server_ = LocalServer::listen(socketPath_.toStdString(), std::move(handlers),
                                  {limits_.connections, Millis(limits_.requestMs)}, &error);
    error_ = QString::fromStdString(error);
    if (!server_) QTimer::singleShot(kRelistenMs, this, [this] { listen(); });
}

void ControlServer::serve(const std::string& bytes, LocalServer::Received received,
                          const LocalServer::Answer& answer) {
    const auto reply = [answer](int code, std::string out, std::string err) {
        answer(encodeAnswer({code, std::move(out), std::move(err)}));
    };
    if (received == LocalServer::Received::malformed)
        return reply(cli::kExitBadInput, {}, "velorctl: the request is malformed\n");
    bool bad = false;
    const auto request = decodeRequest(bytes, &bad);
    if (!request || !cli::runDeviceCommand(request->args, host_, reply))
        reply(cli::kExitBadInput, {}, "velorctl: the program runs only device commands\n");
}

}  // namespace velor
