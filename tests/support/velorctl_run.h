// velorctl run in this process as from a shell: its arguments, exit code,
// output and errors.
#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/velorctl.h"

namespace velor::testing {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

inline CliRun velorctl(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    const int code = cli::runVelorctl(views, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace velor::testing
