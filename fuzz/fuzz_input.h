// What every fuzz target shares: the input as a file where the parser under
// test reads files, and the data folder it lives in.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace velor::fuzz {

// A folder of this process's own, made once and removed when it ends.
inline const std::filesystem::path& scratch() {
    struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("velor-fuzz-" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path / "ms_10"); }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline std::filesystem::path writeInput(const std::filesystem::path& file, const std::uint8_t* data,
                                        std::size_t size) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

}  // namespace velor::fuzz
