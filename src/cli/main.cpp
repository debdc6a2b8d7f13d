#include <string>
#include <string_view>
#include <vector>

#include "cli/velorctl.h"
#include "platform/command_line.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = velor::utf8Arguments(argc, argv);
    std::vector<std::string_view> args(arguments.begin() + (arguments.empty() ? 0 : 1),
                                       arguments.end());
    std::ostream& out = velor::standardOutput();
    std::ostream& err = velor::standardError();
    const int code = velor::cli::runVelorctl(args, out, err);
    out.flush();
    err.flush();
    return code;
}
