#include "store/name_rules.h"

#include <algorithm>

namespace velor {

namespace {

// Simple case folding for the scripts names are usually written in: Latin
// (with Latin-1 and Latin Extended-A), Greek and Cyrillic.
char16_t fold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 0x20);
    if (c == 0x178) return 0xFF;  // Y with diaeresis: its small form is in Latin-1
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Pairs alternate upper/lower; the run 0x139..0x148 and 0x179..0x17E are offset by one.
        const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool upper = oddRun ? (c % 2 == 1) : (c % 2 == 0);
        return upper ? static_cast<char16_t>(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
    return c;
}

}  // namespace

bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

bool nameTaken(std::span<const std::u16string> names, std::u16string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::u16string& n) { return sameNameIgnoringCase(n, name); });
}

std::u16string_view cutName(std::u16string_view name, std::size_t limit) {
    if (name.size() <= limit) return name;
    std::size_t units = limit;
    if (units > 0 && name[units - 1] >= 0xD800 && name[units - 1] <= 0xDBFF) --units;
    return name.substr(0, units);
}

std::u16string uniqueName(std::span<const std::u16string> names, std::u16string_view base,
                          std::size_t limit) {
    const std::u16string_view cut = cutName(base, limit);
    if (!nameTaken(names, cut)) return std::u16string(cut);
    // Among n + 1 numbers at least one is free, so this ends.
    for (std::size_t n = 1;; ++n) {
        std::u16string suffix = u"_";
        for (const char c : std::to_string(n)) suffix += static_cast<char16_t>(c);
        if (suffix.size() > limit)
            return std::u16string(cutName(suffix, limit));  // limit too small to matter
        std::u16string candidate(cutName(base, limit - suffix.size()));
        candidate += suffix;
        if (!nameTaken(names, candidate)) return candidate;
    }
}

}  // namespace velor
