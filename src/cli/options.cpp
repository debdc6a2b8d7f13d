#include "cli/options.h"

#include <algorithm>

namespace velor::cli {

Result<Options> Options::parse(std::span<const std::string_view> args,
                               std::span<const OptionSpec> accepted) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--") || arg.size() == 2)
            return Result<Options>::failure("unexpected argument '" + std::string(arg) + "'");
        const std::string_view name = arg.substr(2);
        const auto accepts = std::find_if(accepted.begin(), accepted.end(),
                                          [&](const OptionSpec& s) { return s.name == name; });
        if (accepts == accepted.end())
            return Result<Options>::failure("unknown option '" + std::string(arg) + "'");
        if (options.has(name))
            return Result<Options>::failure("option '" + std::string(arg) + "' given twice");
        std::string value;
        if (accepts->takesValue) {
            if (i + 1 >= args.size())
                return Result<Options>::failure("option '" + std::string(arg) + "' needs a value");
            value = args[++i];
        }
        options.values_.emplace(std::string(name), std::move(value));
    }
    return options;
}

std::optional<std::string_view> Options::value(std::string_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

}  // namespace velor::cli
