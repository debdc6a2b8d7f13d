// UTF-16 texts as stored in records (NUL-terminated inside fixed arrays of code
// units) and the UTF-8 conversions the command line needs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velor {

// Reads a NUL-terminated little-endian UTF-16 text from a fixed array.
// nullopt when the array holds no terminator: the text would run past its field.
std::optional<std::u16string> readFixedUtf16(std::span<const std::uint8_t> array);

// Writes text into a fixed array, cut so that text and terminator fit (never
// between the two halves of a surrogate pair); the rest of the array is zeroed.
// Returns the number of code units written before the terminator.
std::size_t writeFixedUtf16(std::span<std::uint8_t> array, std::u16string_view text);

// nullopt for malformed input (bad UTF-8 sequences, lone surrogates).
std::optional<std::u16string> utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace velor
