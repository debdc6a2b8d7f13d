#include "profile/record_validation.h"

#include "profile/function_table.h"

namespace velor {

std::vector<std::string> recordProblems(const ProfileRecord& record) {
    std::vector<std::string> problems;
    if (!record.name()) problems.push_back("the profile name has no terminator in its array");
    for (int k = 0; k < kButtonCount; ++k) {
        const ConstButtonSlot slot = record.button(k);
        if (slot.function() != function::kMacro) continue;
        const std::string button = "button " + std::to_string(k + 1);
        if (slot.macroActionCount() > kMacroActionCapacity)
            problems.push_back(button + ": macro action count " +
                               std::to_string(slot.macroActionCount()) + " is above " +
                               std::to_string(kMacroActionCapacity));
        if (!slot.macroName())
            problems.push_back(button + ": the macro name has no terminator in its array");
    }
    return problems;
}

}  // namespace velor
