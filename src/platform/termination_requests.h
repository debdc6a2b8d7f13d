// The ways a session, a terminal or `kill` ask a program to end (SIGTERM,
// SIGHUP, SIGINT; on Windows the console's close, logoff and shutdown events)
// turned into a request the program answers as its own Quit, so that what the
// user chose is stored before it goes. A second request of the same kind while
// the first is still being answered ends the process at once, as it would
// have ended without us.
#pragma once

#include <functional>
#include <memory>

namespace velor {

class TerminationRequests {
  public:
    // Called on a thread of its own, once per request, with the signal's
    // number (the event's code on Windows).
    using Handler = std::function<void(int request)>;

    // Takes over the requests until the object goes; nullptr when it cannot
    // (the requests then end the process as before).
    static std::unique_ptr<TerminationRequests> install(Handler handler);
    // Gives the requests back to the system's default.
    virtual ~TerminationRequests() = default;
};

}  // namespace velor
