#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/velorctl.h"
#include "platform/command_line.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
    velor::useBinaryStandardStreams();
    const std::vector<std::string> arguments = velor::utf8Arguments(argc, argv);
    std::vector<std::string_view> args(arguments.begin() + (arguments.empty() ? 0 : 1),
                                       arguments.end());
    return velor::cli::runVelorctl(args, std::cout, std::cerr);
}
