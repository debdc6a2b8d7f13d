#include "store/stored_texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velor {

namespace {

// The English texts of every id whose text can reach a store; a new id made
// part of a stored name needs its row here.
constexpr std::array<std::pair<std::string_view, std::u16string_view>, 2> kEnglish{{
    {"add_profile_text", u"Profile "},
    {"add_macro_text", u"Macro "},
}};

bool isTheId(const std::u16string& text, std::string_view id) {
    return text.size() == id.size() && std::equal(id.begin(), id.end(), text.begin());
}

}  // namespace

std::u16string storedText(const TextLookup& texts, std::string_view id) {
    std::u16string text = texts.text(id);
    if (!text.empty() && !isTheId(text, id)) return text;
    for (const auto& [known, english] : kEnglish)
        if (known == id) return std::u16string(english);
    return text;
}

}  // namespace velor
