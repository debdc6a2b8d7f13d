#include "cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace velor::cli {

namespace {

// The short forms of the options several commands share.
constexpr std::pair<std::string_view, char> kShortNames[] = {
    {"slot", 's'}, {"profile", 'p'}, {"index", 'i'}, {"name", 'n'}, {"out", 'o'},
    {"data", 'd'}, {"json", 'j'},    {"force", 'f'}, {"link", 'l'}, {"app", 'a'},
};

char shortNameOf(std::string_view name) {
    for (const auto& [longName, letter] : kShortNames)
        if (longName == name) return letter;
    return 0;
}

// getopt_long keeps its place in globals.
std::mutex& parsing() {
    static std::mutex m;
    return m;
}

}  // namespace

// getopt_long reads "--name value", "--name=value", "-s value", "-svalue" and
// "--" (the end of the options); our messages and exit codes stay as scripts
// know them. Abbreviated long names are refused: a later option could make
// one ambiguous under a script's feet.
Result<Options> Options::parse(std::span<const std::string_view> args,
                               std::span<const OptionSpec> accepted) {
    std::vector<std::string> text{"velorctl"};
    for (const std::string_view a : args) text.emplace_back(a);
    std::vector<char*> argv;
    for (std::string& t : text) argv.push_back(t.data());
    argv.push_back(nullptr);

    std::vector<option> longOptions;
    // "+": stop at the first argument that is not an option; ":": errors are ours to tell.
    std::string shortOptions = "+:";
    for (const OptionSpec& wanted : accepted) {
        const char letter = shortNameOf(wanted.name);
        longOptions.push_back(
            {wanted.name.data(), wanted.takesValue ? required_argument : no_argument, nullptr,
             letter != 0 ? letter : 0x100 + static_cast<int>(longOptions.size())});
        if (letter != 0) shortOptions += std::string(1, letter) + (wanted.takesValue ? ":" : "");
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    const std::lock_guard guard(parsing());
    optind = 0;  // a fresh scan
    opterr = 0;
    Options options;
    const int argc = static_cast<int>(text.size());
    // The argument getopt_long just read the option from: the one before its
    // value when that came apart.
    const auto optionText = [&]() -> std::string {
        const bool valueApart = optarg != nullptr && optind >= 2 && optarg == argv[optind - 1];
        const std::string& arg = text[static_cast<std::size_t>(optind - (valueApart ? 2 : 1))];
        return arg.substr(0, arg.find('='));
    };
    for (;;) {
        int index = -1;
        optarg = nullptr;
        const int got =
            getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), &index);
        if (got == -1) break;
        if (got == ':')
            return Result<Options>::failure("option '" + optionText() + "' needs a value");
        const std::string arg = optionText();
        const auto named = [&](const OptionSpec& s) { return arg == "--" + std::string(s.name); };
        if (got == '?') {
            const bool flag =
                text[static_cast<std::size_t>(optind - 1)].find('=') != std::string::npos &&
                std::any_of(accepted.begin(), accepted.end(), named);
            return Result<Options>::failure(flag ? "option '" + arg + "' takes no value"
                                                 : "unknown option '" + arg + "'");
        }
        const auto taken =
            index >= 0 ? accepted.begin() + index
                       : std::find_if(accepted.begin(), accepted.end(), [&](const OptionSpec& s) {
                             return shortNameOf(s.name) == got;
                         });
        // getopt_long takes any unambiguous start of a name: only whole names count here.
        if (index >= 0 && !named(*taken))
            return Result<Options>::failure("unknown option '" + arg + "'");
        if (options.has(taken->name))
            return Result<Options>::failure("option '--" + std::string(taken->name) +
                                            "' given twice");
        options.values_.emplace(std::string(taken->name), taken->takesValue ? optarg : "");
    }
    if (optind < argc)
        return Result<Options>::failure("unexpected argument '" +
                                        text[static_cast<std::size_t>(optind)] + "'");
    return options;
}

std::optional<std::string_view> Options::value(std::string_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

}  // namespace velor::cli
