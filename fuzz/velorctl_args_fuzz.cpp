// velorctl's option parser with any arguments (split at NUL bytes; the first
// word is the command), checked against every command's options: what it
// takes is exactly what was given, and what it refuses is named.
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"

namespace {

using velor::cli::OptionSpec;

constexpr OptionSpec kAll[] = {{"slot", true},   {"profile", true}, {"defaults", false},
                               {"link", true},   {"name", true},    {"out", true},
                               {"force", false}, {"data", true},    {"index", true}};

const OptionSpec* optionNamed(std::string_view word) {
    if (!word.starts_with("--")) return nullptr;
    for (const OptionSpec& o : kAll)
        if (o.name == word.substr(2)) return &o;
    return nullptr;
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
    // Taken: every word is an accepted option given once, followed by its
    // value where it takes one, and nothing else is held.
    std::size_t given = 0;
    for (std::size_t i = 0; i < args.size(); ++i, ++given) {
        const OptionSpec* o = optionNamed(args[i]);
        if (!o || !options->has(o->name)) std::abort();
        const auto value = options->value(o->name);
        if (o->takesValue) {
            if (i + 1 >= args.size() || value != args[i + 1]) std::abort();
            ++i;
        } else if (value != "") {
            std::abort();
        }
    }
    std::size_t held = 0;
    for (const OptionSpec& o : kAll) held += options->has(o.name);
    if (held != given) std::abort();
    return 0;
}
