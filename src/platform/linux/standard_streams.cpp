#include "platform/standard_streams.h"

#include <iostream>

namespace velor {

// Bytes pass through unchanged, and terminals take UTF-8.
std::ostream& standardOutput() {
    return std::cout;
}

std::ostream& standardError() {
    return std::cerr;
}

}  // namespace velor
