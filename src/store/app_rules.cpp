#include "store/app_rules.h"

#include <algorithm>

#include "models/model_descriptor.h"
#include "platform/file_io.h"
#include "store/name_rules.h"
#include "util/printable.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

constexpr std::string_view kHeader = "# VELOR application rules 1";
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

// Window classes and file names differ in case between systems and
// toolkits; only ASCII letters are folded, as names are compared byte-wise.
std::string matchKey(std::string_view app) {
    std::string key(app);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return key;
}

// A tab parts the application from the profile, a line ends a rule: both,
// and the backslash, are written as escapes inside a name.
std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

}  // namespace

Result<std::string> applicationName(std::string_view typed) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!typed.empty() && blank(typed.back())) typed.remove_suffix(1);
    while (!typed.empty() && blank(typed.front())) typed.remove_prefix(1);
    if (typed.empty())
        return Result<std::string>::failure(
            "give the application's window class or executable name");
    const auto wide = utf8ToUtf16(typed);
    if (!wide) return Result<std::string>::failure("the application's name is not valid UTF-8");
    const auto chars = static_cast<std::size_t>(std::count_if(
        wide->begin(), wide->end(), [](char16_t u) { return u < 0xDC00 || u > 0xDFFF; }));
    if (chars > kMaxAppNameChars)
        return Result<std::string>::failure("the application name is longer than " +
                                            std::to_string(kMaxAppNameChars) + " characters");
    return std::string(typed);
}

Result<std::string> newApplicationName(std::string_view typed) {
    auto name = applicationName(typed);
    if (!name) return name;
    for (std::size_t i = 0; i < name->size(); ++i) {
        const auto b = static_cast<unsigned char>((*name)[i]);
        // C1 controls are U+0080..U+009F: 0xC2 then 0x80..0x9F in UTF-8.
        const bool c1 =
            b == 0xC2 && i + 1 < name->size() && static_cast<unsigned char>((*name)[i + 1]) <= 0x9F;
        if (b >= 0x20 && b != 0x7F && !c1) continue;
        return Result<std::string>::failure("the application name holds a control character (" +
                                            printableText(name->substr(i, c1 ? 2 : 1)) +
                                            "), which no window class or program name has");
    }
    return name;
}

const AppRule* AppRules::match(std::string_view windowClass, std::string_view executable) const {
    const auto place = [&](std::string_view app) {
        if (app.empty()) return rules_.size();
        const auto found = index_.find(matchKey(app));
        return found == index_.end() ? rules_.size() : found->second;
    };
    const std::size_t first = std::min(place(windowClass), place(executable));
    return first < rules_.size() ? &rules_[first] : nullptr;
}

std::optional<std::string> AppRules::add(std::string app, std::u16string profile) {
    auto name = newApplicationName(app);
    if (!name) return name.error();
    put(std::move(*name), std::move(profile));
    return std::nullopt;
}

void AppRules::put(std::string app, std::u16string profile) {
    const auto [at, added] = index_.try_emplace(matchKey(app), rules_.size());
    if (!added) {
        rules_[at->second].profile = std::move(profile);
        return;
    }
    rules_.push_back({std::move(app), std::move(profile)});
}

bool AppRules::remove(std::string_view app, const std::optional<std::u16string>& profile) {
    const std::string key = matchKey(app);
    const bool removed = std::erase_if(rules_, [&](const AppRule& r) {
                             return matchKey(r.app) == key &&
                                    (!profile || sameNameIgnoringCase(r.profile, *profile));
                         }) > 0;
    if (removed) reindex();
    return removed;
}

bool AppRules::renameProfile(std::u16string_view from, std::u16string_view to) {
    bool changed = false;
    for (AppRule& r : rules_)
        if (sameNameIgnoringCase(r.profile, from)) {
            r.profile = std::u16string(to);
            changed = true;
        }
    return changed;
}

bool AppRules::dropProfile(std::u16string_view profile) {
    const bool dropped = std::erase_if(rules_, [&](const AppRule& r) {
                             return sameNameIgnoringCase(r.profile, profile);
                         }) > 0;
    if (dropped) reindex();
    return dropped;
}

void AppRules::reindex() {
    index_.clear();
    for (std::size_t i = 0; i < rules_.size(); ++i) index_.emplace(matchKey(rules_[i].app), i);
}

std::filesystem::path appRulesPath(const ModelDescriptor& model, const std::string& dataFolder) {
    return pathFromUtf8(dataFolder) / pathFromUtf8(model.dataFolder) / kAppRulesName;
}

Result<AppRules> readAppRules(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return AppRules{};
    FileError error;
    const auto bytes = readWholeFile(path, kMaxFileBytes, &error);
    if (!bytes) return Result<AppRules>::failure(error.message);
    const std::string text(bytes->begin(), bytes->end());
    AppRules rules;
    std::size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view row(text.data() + start, end - start);
        start = end + 1;
        const auto damaged = [&](std::string_view why) {
            return Result<AppRules>::failure(utf8FromPath(path.filename()) + " line " +
                                             std::to_string(line) + ": " + std::string(why));
        };
        if (line == 1) {
            if (row != kHeader) return damaged("not an application rules file");
            continue;
        }
        if (row.empty()) continue;
        const std::size_t tab = row.find('\t');
        if (tab == std::string_view::npos || row.find('\t', tab + 1) != std::string_view::npos)
            return damaged("not an application and a profile parted by one tab");
        const auto app = unescaped(row.substr(0, tab));
        const auto profile = unescaped(row.substr(tab + 1));
        const auto profile16 = profile ? utf8ToUtf16(*profile) : std::nullopt;
        if (!app || !profile16 || profile16->empty()) return damaged("a name is damaged");
        auto name = applicationName(*app);
        if (!name)
            return damaged(app->find_first_not_of(" \t\r\n") == std::string::npos
                               ? "the application is not named"
                               : name.error());
        rules.put(std::move(*name), std::move(*profile16));
    }
    if (text.empty()) return Result<AppRules>::failure(utf8FromPath(path.filename()) + " is empty");
    return rules;
}

bool saveAppRules(const AppRules& rules, const std::filesystem::path& path, std::string* error) {
    std::string text(kHeader);
    text += '\n';
    for (const AppRule& r : rules.all())
        text += escaped(r.app) + '\t' + escaped(utf16ToUtf8(r.profile)) + '\n';
    return writeOwnTextFile(path, text, error);
}

}  // namespace velor
