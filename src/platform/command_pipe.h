// A named pipe other programs write command lines into; each line is handed
// to a callback on a thread of the pipe's own, which sleeps until a line
// comes. Made at the path when missing; removed again when it goes. On
// Windows the path is a pipe name ("\\.\pipe\...") that only this user may open.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace velor {

class CommandPipe {
  public:
    using OnLine = std::function<void(const std::string& line)>;

    // nullptr with an error when the pipe cannot be made or opened (the path
    // is taken by something that is not a pipe, say).
    static std::unique_ptr<CommandPipe> open(const std::string& path, OnLine onLine,
                                             std::string* error);
    virtual ~CommandPipe() = default;
};

}  // namespace velor
