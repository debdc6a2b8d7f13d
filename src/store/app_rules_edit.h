// A slot's application rules changed in their file, under the slot's store
// lock: how velorctl changes them without the program, and the program for a
// slot whose page holds no stores.
#pragma once

#include "models/model_descriptor.h"
#include "store/app_rules.h"
#include "util/clock.h"

namespace velor {

RulesOutcome editRulesFile(const ModelDescriptor& model, const std::string& dataFolder,
                           Clock& clock, const RulesEdit& edit);

// The answer to any rule command while the slot's rules file cannot be read
// (`why`, as the reader gave it), wherever the command runs.
RulesOutcome rulesUnreadable(const std::string& why);

// A rule's profile as the slot's list spells it; nothing when the slot has
// no profile of that name.
std::optional<std::u16string> profileNamed(const std::vector<std::u16string>& profiles,
                                           std::u16string_view name);

}  // namespace velor
