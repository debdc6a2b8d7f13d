#include "util/log.h"

namespace velor {

bool debugRequested(const char* value) {
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

std::string levelledLine(LogLevel level, std::string_view what) {
    switch (level) {
        case LogLevel::error:
            return "velor: error: " + std::string(what);
        case LogLevel::warning:
            return "velor: warning: " + std::string(what);
        case LogLevel::debug:
            break;
    }
    return std::string(what);
}

}  // namespace velor
