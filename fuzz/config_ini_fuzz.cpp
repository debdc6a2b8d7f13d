// CONFIG.ini as any text: parsed, read, changed and written back. The user's
// own lines must survive both the round trip and the change of one key.
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/ini_file.h"

namespace {

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        lines.emplace_back(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    }
    return lines;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool isHeader(std::string_view line) {
    line = trimmed(line);
    return line.size() >= 2 && line.front() == '[' && line.find(']') != std::string_view::npos;
}

// The lines of the first [SETTING] section (any case): from its header to
// the next header; none when there is no such section.
std::pair<std::size_t, std::size_t> settingSection(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isHeader(lines[i])) continue;
        const std::string_view t = trimmed(lines[i]);
        std::string name(trimmed(t.substr(1, t.find(']') - 1)));
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name != "SETTING") continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !isHeader(lines[end])) ++end;
        return {i, end};
    }
    return {lines.size(), lines.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument ini = IniDocument::parse(text);
    if (ini.text() != text) std::abort();
    for (const char* key : {"lanId", "Startup", "Feedback"}) {
        const auto value = ini.value("SETTING", key);
        if (value && value->find('\n') != std::string::npos) std::abort();
        iniInt(value, -1);
    }
    ini.set("SETTING", "lanId", "2");
    const std::string changed = ini.text();
    const IniDocument again = IniDocument::parse(changed);
    if (again.value("setting", "LANID") != "2" || iniInt(again.value("SETTING", "lanId"), -1) != 2)
        std::abort();
    // Every line of the user's stays, in order: one line replaced, or one
    // line inserted, or a section of two lines added at the end.
    const auto before = linesOf(text);
    const auto after = linesOf(changed);
    // Any change lies inside the first [SETTING] section, never in another.
    const auto [header, end] = settingSection(before);
    std::size_t differing = 0;
    if (after.size() == before.size()) {
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (before[i] == after[i]) continue;
            ++differing;
            if (i <= header || i >= end) std::abort();
        }
        if (differing > 1) std::abort();
    } else if (after.size() == before.size() + 1) {
        std::size_t i = 0;
        while (i < before.size() && before[i] == after[i]) ++i;
        if (after[i] != "lanId=2" || i <= header || i > end) std::abort();
        for (; i < before.size(); ++i)
            if (before[i] != after[i + 1]) std::abort();
    } else if (after.size() == before.size() + 2 && header == before.size()) {
        for (std::size_t i = 0; i < before.size(); ++i)
            if (before[i] != after[i]) std::abort();
        if (after[before.size()] != "[SETTING]" || after.back() != "lanId=2") std::abort();
    } else {
        std::abort();
    }
    return 0;
}
