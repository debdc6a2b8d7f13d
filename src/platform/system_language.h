// The user's interface language as the system states it, e.g. "zh_CN.UTF-8",
// "vi_VN", "en_US"; empty when nothing says.
#pragma once

#include <string>

namespace velor {

std::string systemUiLanguage();

}  // namespace velor
