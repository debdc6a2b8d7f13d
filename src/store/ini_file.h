// A settings file in INI form, edited in place: reading a key, and writing one
// key while every other line (other sections, comments, blank lines, even
// lines we cannot make sense of) stays exactly as the user left it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velor {

class IniDocument {
  public:
    static IniDocument parse(std::string_view text);

    // The first value of the key in the first section of that name; names
    // compare without regard to case.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Replaces the first such key's value, or adds the key at the end of the
    // section, or adds the section at the end of the file.
    void set(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

  private:
    struct Found {
        std::size_t sectionLine = npos;  // header line of the section
        std::size_t sectionEnd = npos;   // one past its last line
        std::size_t keyLine = npos;
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    Found find(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;  // without '\n'; a '\r' before it stays
    bool finalNewline_ = true;
};

// The integer at the start of a value, as "%d" wrote it; fallback when there
// is none or it does not fit an int.
int iniInt(const std::optional<std::string>& value, int fallback);

}  // namespace velor
