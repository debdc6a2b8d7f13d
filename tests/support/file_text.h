// A file's bytes as text, and text written as a file's bytes, for tests that
// check what reached the disk.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace velor::testing {

inline std::string readText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

}  // namespace velor::testing
