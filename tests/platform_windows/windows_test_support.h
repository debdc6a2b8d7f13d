// What the Windows platform tests share: a fresh folder per test named in
// UTF-8, and a second process (this test program run again in a child role,
// see child_roles.cpp) to hold or try what only another process can.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velor::testing {

class WindowsTempFolder {
  public:
    WindowsTempFolder();
    ~WindowsTempFolder();
    WindowsTempFolder(const WindowsTempFolder&) = delete;
    WindowsTempFolder& operator=(const WindowsTempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the core passes it: UTF-8, ending with a backslash.
    std::string folder() const;

  private:
    std::filesystem::path path_;
};

// Runs this test program with "--child" and the arguments (UTF-8) and waits
// for it to end; its exit code, or -1 when it could not be started.
int runChild(const std::vector<std::string>& arguments);

// The child side: the exit code of the role named by the arguments after "--child".
int childMain(const std::vector<std::string>& arguments);

// A name no ANSI code page can spell whole ("data" in Chinese, and a Nordic name).
inline const std::string kNonAsciiArgument = "\xE6\x95\xB0\xE6\x8D\xAE Bj\xC3\xB8rk";

// A name for a pipe no other test run uses.
std::string uniquePipeName(const std::string& what);

}  // namespace velor::testing
