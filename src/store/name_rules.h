// Names of profiles and of macros: unique within their list regardless of
// case, and made unique by a numeric suffix when a proposed name is taken.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace velor {

// The longest names a record holds (its array less the terminator).
inline constexpr std::size_t kProfileNameLimit = 99;
inline constexpr std::size_t kMacroNameLimit = 23;

bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

bool nameTaken(std::span<const std::u16string> names, std::u16string_view name);

// The base (cut to the limit) when it is free; otherwise "base_1", "base_2",
// ... with the base shortened so that the suffix always fits the limit.
// Always returns a free name of at most `limit` units.
std::u16string uniqueName(std::span<const std::u16string> names, std::u16string_view base,
                          std::size_t limit);

// Cut to at most `limit` units without splitting a surrogate pair.
std::u16string_view cutName(std::u16string_view name, std::size_t limit);

}  // namespace velor
