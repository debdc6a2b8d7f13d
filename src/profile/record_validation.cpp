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

void repairRecord(ProfileRecord& record) {
    if (!record.name()) {
        const auto& name = *record.layout().find(Field::name);
        writeField(record.bytes(), name, 0, name.count - 1);
    }
    const auto& macroName = *buttonSlotLayout().find(SlotField::macroName);
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot slot = record.button(k);
        if (slot.function() != function::kMacro) continue;
        if (slot.macroActionCount() > kMacroActionCapacity)
            slot.set(SlotField::macroActionCount, kMacroActionCapacity);
        if (!slot.macroName())
            writeField(std::span<std::uint8_t>(slot.bytes()), macroName, 0, macroName.count - 1);
    }
}

}  // namespace velor
