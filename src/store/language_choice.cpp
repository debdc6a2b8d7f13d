#include "store/language_choice.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace velor {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

bool validLanguageId(int lanId) {
    return lanId >= kLanguageChinese && lanId <= kLanguageVietnamese;
}

int languageForLocale(std::string_view locale) {
    // Drop the encoding and modifier: "zh_CN.UTF-8@x" -> "zh_CN".
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::string name = lower(locale);
    std::replace(name.begin(), name.end(), '-', '_');
    const std::string language = name.substr(0, name.find('_'));
    if (language == "vi") return kLanguageVietnamese;
    if (language != "zh") return kLanguageEnglish;
    // Only the Chinese of mainland China: Taiwan, Hong Kong, Macao, Singapore
    // and the traditional script get English.
    const std::string rest = name.size() > 2 ? name.substr(3) : "";
    if (rest.find("hant") != std::string::npos) return kLanguageEnglish;
    if (rest.empty() || rest == "cn" || rest == "hans" || rest == "hans_cn")
        return kLanguageChinese;
    return kLanguageEnglish;
}

LanguageStart chooseLanguage(int storedLanId, std::string_view systemLocale) {
    if (validLanguageId(storedLanId)) return {storedLanId, false};
    return {languageForLocale(systemLocale), true};
}

std::string_view languageFile(int lanId) {
    switch (lanId) {
        case kLanguageChinese:
            return "lan/CN.xml";
        case kLanguageVietnamese:
            return "lan/YUENAN.xml";
        default:
            return "lan/EN.xml";
    }
}

}  // namespace velor
