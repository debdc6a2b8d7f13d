// Which language file the program shows: the stored choice when it is valid,
// else the system language (Simplified Chinese of mainland China, Vietnamese,
// or English for everything else).
#pragma once

#include <string_view>

namespace velor {

inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;
inline constexpr int kLanguageVietnamese = 3;

bool validLanguageId(int lanId);

// From a locale name such as "zh_CN.UTF-8", "zh-Hans-CN", "vi_VN" or "en_GB".
int languageForLocale(std::string_view locale);

struct LanguageStart {
    int lanId;
    bool writeBack;  // the stored value was missing or invalid
};
LanguageStart chooseLanguage(int storedLanId, std::string_view systemLocale);

// "lan/CN.xml", "lan/EN.xml" or "lan/YUENAN.xml"; English for any other id.
std::string_view languageFile(int lanId);

}  // namespace velor
