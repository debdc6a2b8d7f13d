#include "platform/command_line.h"

namespace velor {

// Arguments come as the user's locale wrote them, which is UTF-8 here.
std::vector<std::string> utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

}  // namespace velor
