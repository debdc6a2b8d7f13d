#include "platform/control_failures.h"

#include <string>

namespace velor {

namespace {

std::string spoken(Millis timeout) {
    if (timeout.count() % 1000 == 0) return std::to_string(timeout.count() / 1000) + " s";
    return std::to_string(timeout.count()) + " ms";
}

}  // namespace

ControlAnswer unansweredRequest(bool late, bool sent, Millis timeout) {
    if (late)
        return ControlAnswer{
            1,
            {},
            "velorctl: the program did not answer within " + spoken(timeout) +
                ": it is stopped or hung, and may still carry out the command if it goes on. "
                "Check it (resume it, or quit it and run the command again).\n"};
    return ControlAnswer{1,
                         {},
                         sent ? "velorctl: the program stopped before it answered\n"
                              : "velorctl: the program did not take the request\n"};
}

}  // namespace velor
