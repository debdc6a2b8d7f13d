// The file name of the program a local process runs, from /proc.
#pragma once

#include <string>

namespace velor {

// "xmessage" for a process running /usr/bin/xmessage, also after the file was
// replaced by an upgrade; the process's own short name when its executable
// cannot be read (a zombie, another user's process); empty when there is no
// such process.
std::string executableNameOfProcess(int pid);

}  // namespace velor
