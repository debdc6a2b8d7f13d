// Texts that show which id was asked for, and count the lookups.
#pragma once

#include <string>
#include <string_view>

#include "util/text_lookup.h"

namespace velor::testing {

class IdTexts final : public TextLookup {
  public:
    std::u16string text(std::string_view id) const override {
        ++lookups;
        return u"<" + std::u16string(id.begin(), id.end()) + u">";
    }
    mutable int lookups = 0;
};

}  // namespace velor::testing
