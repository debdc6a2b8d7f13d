// The program's arguments as UTF-8, whatever the system's code page: Windows
// hands main() its arguments in the ANSI code page, which cannot spell every
// file name.
#pragma once

#include <string>
#include <vector>

namespace velor {

// Every argument, the program's name first (as argv has them).
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace velor
