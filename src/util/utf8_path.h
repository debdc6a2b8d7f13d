// Paths travel through the program as UTF-8 text. A std::filesystem::path
// made from a plain std::string is read in the system's narrow encoding,
// which on Windows is the ANSI code page: it misspells, or cannot spell, most
// of the world's names. Every path made from text goes through these.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velor {

// The path the UTF-8 text names: the text itself where paths are bytes, its
// UTF-16 spelling where they are UTF-16. Malformed UTF-8 is kept as the
// system's narrow encoding reads it rather than refused.
std::filesystem::path pathFromUtf8(std::string_view utf8);

// The path as UTF-8 text, for messages and for handing it on as text; a lone
// UTF-16 surrogate (which no UTF-8 can hold) becomes U+FFFD.
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace velor
