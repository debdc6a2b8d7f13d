// velorctl's option parser with any arguments (split at NUL bytes), checked
// against every command's options.
#include <string>
#include <vector>

#include "cli/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor::cli;
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    const std::vector<std::string_view> args(words.begin(), words.end());
    static constexpr OptionSpec kAll[] = {{"slot", true},   {"profile", true}, {"defaults", false},
                                          {"link", true},   {"name", true},    {"out", true},
                                          {"force", false}, {"data", true},    {"index", true}};
    if (const auto options = Options::parse(args, kAll)) {
        for (const OptionSpec& o : kAll) {
            options->has(o.name);
            options->value(o.name);
        }
    }
    return 0;
}
