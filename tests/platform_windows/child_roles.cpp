// What a child process does for a test; its exit code is the answer.
#include <windows.h>

#include <cstdlib>

#include "platform/command_line.h"
#include "platform/instance_lock.h"
#include "platform/store_lock.h"
#include "windows_test_support.h"

namespace velor::testing {

namespace {

constexpr int kTaken = 0;
constexpr int kRefused = 1;
constexpr int kFailed = 2;

// "instance <folder>": whether this process could be the first copy.
int tryInstance(const std::string& folder) {
    std::string error;
    if (InstanceLock::acquire(folder, &error)) return kTaken;
    return error.empty() ? kRefused : kFailed;
}

// "store <folder>": whether the store lock was free.
int tryStore(const std::string& folder) {
    std::string error;
    bool held = false;
    if (StoreLock::acquire(folder, &error, &held)) return kTaken;
    return held ? kRefused : kFailed;
}

// "arguments <kNonAsciiArgument>": whether the argument reached us as its
// UTF-8 bytes, whatever the code page.
int checkArguments() {
    const std::vector<std::string> arguments = utf8Arguments(__argc, __argv);
    return !arguments.empty() && arguments.back() == kNonAsciiArgument ? kTaken : kFailed;
}

}  // namespace

int childMain(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) return kFailed;
    if (arguments[0] == "instance") return tryInstance(arguments[1]);
    if (arguments[0] == "store") return tryStore(arguments[1]);
    if (arguments[0] == "arguments") return checkArguments();
    return kFailed;
}

}  // namespace velor::testing
