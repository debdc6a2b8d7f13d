// velorctl's option parser with any arguments (split at NUL bytes; the first
// word is the command), checked against every command's options: what it
// refuses is named, and what it takes was given: each option held appears in
// one of its forms ("--name", "--name=value", "-n", "-nvalue", a group of
// short flags) before any "--", with its value there, and a flag holds none.
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"

namespace {

using velor::cli::OptionSpec;

constexpr OptionSpec kAll[] = {{"slot", true},   {"profile", true}, {"defaults", false},
                               {"link", true},   {"name", true},    {"out", true},
                               {"force", false}, {"data", true},    {"index", true}};

// Whether the value could have come with the option in args[i]: after '=' in
// it, after the option's letter in it, or as the next word.
bool givenWith(const std::vector<std::string_view>& args, std::size_t i, std::string_view value,
               std::string_view longForm, char letter) {
    const std::string_view arg = args[i];
    if (arg == longForm || (arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' &&
                            arg.back() == letter && arg.find(letter) == arg.size() - 1))
        return i + 1 < args.size() && args[i + 1] == value;
    if (arg.starts_with(std::string(longForm) + "="))
        return arg.substr(longForm.size() + 1) == value;
    const auto at = arg.find(letter);
    return arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' && at != std::string_view::npos &&
           arg.substr(at + 1) == value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor::cli;
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    const std::vector<std::string_view> args(words.begin() + 1, words.end());
    const auto options = Options::parse(args, kAll);
    if (!options) {
        if (options.error().empty()) std::abort();
        return 0;
    }
    static constexpr std::pair<std::string_view, char> kLetters[] = {
        {"slot", 's'}, {"profile", 'p'}, {"index", 'i'}, {"name", 'n'},
        {"out", 'o'},  {"data", 'd'},    {"force", 'f'}, {"link", 'l'}};
    std::size_t options_end = args.size();
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i] == "--") {
            options_end = i;
            break;
        }
    for (const OptionSpec& o : kAll) {
        if (!options->has(o.name)) continue;
        const std::string longForm = "--" + std::string(o.name);
        char letter = '\0';
        for (const auto& [name, l] : kLetters)
            if (name == o.name) letter = l;
        const std::string_view value = *options->value(o.name);
        if (!o.takesValue && !value.empty()) std::abort();
        bool found = false;
        for (std::size_t i = 0; i < options_end && !found; ++i) {
            const std::string_view arg = args[i];
            const bool named = arg == longForm || arg.starts_with(longForm + "=") ||
                               (letter != '\0' && arg.size() >= 2 && arg[0] == '-' &&
                                arg[1] != '-' && arg.find(letter) != std::string_view::npos);
            found = named && (!o.takesValue || givenWith(args, i, value, longForm, letter));
        }
        if (!found) std::abort();
    }
    return 0;
}
