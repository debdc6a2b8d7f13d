#include "platform/system_language.h"

#include <cstdlib>
#include <string_view>

namespace velor {

std::string systemUiLanguage() {
    // The order in which the C library picks the language of messages.
    const char* lcAll = std::getenv("LC_ALL");
    const char* lcMessages = std::getenv("LC_MESSAGES");
    const char* lang = std::getenv("LANG");
    std::string locale = lcAll && *lcAll             ? lcAll
                         : lcMessages && *lcMessages ? lcMessages
                         : lang && *lang             ? lang
                                                     : "";
    // LANGUAGE lists preferences, but only counts when a real locale is set.
    if (const char* list = std::getenv("LANGUAGE");
        list && *list && !locale.empty() && locale != "C" && locale != "POSIX") {
        const std::string_view first(list);
        return std::string(first.substr(0, first.find(':')));
    }
    return locale;
}

}  // namespace velor
