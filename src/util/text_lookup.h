// Language texts by text id, as the core sees them (the UI's language files
// implement this; tests give fixed texts).
#pragma once

#include <string>
#include <string_view>

namespace velor {

class TextLookup {
  public:
    virtual ~TextLookup() = default;
    virtual std::u16string text(std::string_view id) const = 0;
};

}  // namespace velor
