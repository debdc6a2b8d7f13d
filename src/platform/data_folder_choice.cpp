#include "platform/data_folder_choice.h"

namespace velor {

std::string chooseExistingFolder(const std::string& preferred, const std::string& fallback,
                                 const std::function<bool(const std::string&)>& isFolder) {
    if (!preferred.empty() && isFolder(preferred)) return preferred;
    if (preferred.empty() || isFolder(fallback)) return fallback;
    return preferred;
}

}  // namespace velor
