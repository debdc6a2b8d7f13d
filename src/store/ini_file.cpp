#include "store/ini_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace velor {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(line.substr(1, close - 1));
}

// "key=value" -> key; comments and lines without '=' have none.
std::optional<std::string_view> keyName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    doc.finalNewline_ = text.empty() || text.back() == '\n';
    while (!text.empty()) {
        const auto nl = text.find('\n');
        doc.lines_.emplace_back(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    }
    return doc;
}

IniDocument::Found IniDocument::find(std::string_view section, std::string_view key) const {
    Found f;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i])) {
            if (f.sectionLine != npos) {
                f.sectionEnd = i;
                return f;
            }
            if (sameName(*name, section)) f.sectionLine = i;
            continue;
        }
        if (f.sectionLine == npos || f.keyLine != npos) continue;
        if (const auto k = keyName(lines_[i]); k && sameName(*k, key)) f.keyLine = i;
    }
    if (f.sectionLine != npos) f.sectionEnd = lines_.size();
    return f;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const Found f = find(section, key);
    if (f.keyLine == npos) return std::nullopt;
    const std::string_view line = lines_[f.keyLine];
    return std::string(trim(line.substr(line.find('=') + 1)));
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const Found f = find(section, key);
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (f.keyLine != npos) {
        // Keep the line's own ending (a '\r' from a Windows editor).
        const bool cr = !lines_[f.keyLine].empty() && lines_[f.keyLine].back() == '\r';
        lines_[f.keyLine] = entry + (cr ? "\r" : "");
        return;
    }
    if (f.sectionLine != npos) {
        // After the section's last non-blank line, before the blank lines that
        // separate it from the next one.
        std::size_t at = f.sectionEnd;
        while (at > f.sectionLine + 1 && trim(lines_[at - 1]).empty()) --at;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), entry);
        return;
    }
    if (!finalNewline_ && !lines_.empty()) finalNewline_ = true;
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(entry);
}

std::string IniDocument::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalNewline_) out += '\n';
    }
    return out;
}

int iniInt(const std::optional<std::string>& value, int fallback) {
    if (!value) return fallback;
    std::string_view digits = *value;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc() || end == digits.data()) return fallback;
    return result;
}

}  // namespace velor
