#include <iostream>
#include <string_view>
#include <vector>

#include "cli/velorctl.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
    velor::useBinaryStandardStreams();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    return velor::cli::runVelorctl(args, std::cout, std::cerr);
}
