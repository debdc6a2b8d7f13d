// Command-line options ("--name value", "--name=value", the short forms of
// the shared ones, "--flag", "--" ending them), checked against what a
// command accepts.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "util/result.h"

namespace velor::cli {

struct OptionSpec {
    std::string_view name;  // without the leading "--"
    bool takesValue;
};

class Options {
  public:
    static Result<Options> parse(std::span<const std::string_view> args,
                                 std::span<const OptionSpec> accepted);

    bool has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
    std::optional<std::string_view> value(std::string_view name) const;

  private:
    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace velor::cli
