// Language texts for core tests: "add_profile_text" is "Profile", any other
// id is itself.
#pragma once

#include "util/text_lookup.h"

namespace velor::testing {

class FixedTexts final : public TextLookup {
  public:
    std::u16string text(std::string_view id) const override {
        if (id == "add_profile_text") return u"Profile";
        if (id == "add_macro_text") return u"Macro";
        return {id.begin(), id.end()};
    }
};

}  // namespace velor::testing
