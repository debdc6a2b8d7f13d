// A server at a local address only this user can reach: a socket in the
// user's private runtime folder (mode 0700), on Windows a named pipe that
// only this user may open. Each connection carries one request; once it has
// come whole the owner is handed it with a way to answer, and the connection
// closes after the answer is written (also when the client closed its sending
// side after the request, as nc -N does). A thread of the server's own waits
// on every connection, so nothing of this blocks the caller.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "util/clock.h"

namespace velor {

class LocalServer {
  public:
    enum class Received { partial, whole, malformed };

    // What one misbehaving or crowding client may cost.
    struct Limits {
        // Connections held at once. A client beyond them, or one that would
        // take the descriptors the rest of the program needs, is given the
        // busy answer and closed at once: a crowd holds nothing of ours.
        int connections = 16;
        // How long a request may take to arrive whole; then it is hung up on.
        Millis request{5000};
    };

    // Writes the answer and closes the connection; callable once, from any
    // thread, also after the server went (then it does nothing).
    using Answer = std::function<void(std::string answer)>;

    struct Handlers {
        // How much of a request the bytes received so far hold.
        std::function<Received(std::string_view bytes)> judge;
        // A whole or malformed request, on the server's thread; bytes are all
        // that had come. What comes after it is read and dropped.
        std::function<void(std::string bytes, Received, Answer)> onRequest;
        // The answer to a connection beyond the limit.
        std::string busy;
    };

    // Listens at path (a pipe name on Windows), replacing a socket left there;
    // nullptr with the reason when it cannot.
    static std::unique_ptr<LocalServer> listen(const std::string& path, Handlers handlers,
                                               Limits limits, std::string* error);

    // Stops listening, drops the open connections and removes the socket.
    virtual ~LocalServer() = default;
};

}  // namespace velor
