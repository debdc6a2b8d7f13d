// Profile and macro files from other people: a .pro for every record shape
// and a .macro, read as an import would. What is taken is the file byte for
// byte; what is refused leaves the list as it was.
#include <algorithm>
#include <cstdlib>

#include "fuzz_input.h"
#include "profile/record_layout.h"
#include "store/macro_file.h"
#include "store/name_rules.h"
#include "store/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const std::span<const std::uint8_t> input(data, size);
    const auto file = fuzz::writeInput(fuzz::scratch() / "input", data, size);
    for (const int slot : {1, 3, 6, 10}) {
        const ModelDescriptor& model = *descriptorFor(slot);
        const auto record = readProfileFile(model, file);
        if (!record) {
            if (record.error().empty()) std::abort();
            continue;
        }
        if (size != model.recordLength() || !std::ranges::equal(record->bytes(), input))
            std::abort();
    }
    MacroList macros;
    macros.records.push_back(MacroRecord::named(u"Taken"));
    const auto index = importMacro(macros, file);
    if (!index) {
        if (macros.records.size() != 1 || index.error().empty()) std::abort();
        return 0;
    }
    if (size != kMacroRecordSize || *index != 1 || macros.records.size() != 2) std::abort();
    // The file as it is, under its own name unless another macro has it.
    const MacroRecord& taken = macros.records[1];
    MacroRecord expected = *MacroRecord::fromBytes(input);
    const std::u16string name = *expected.name();
    if (sameNameIgnoringCase(name, u"Taken") == (taken.name() == name)) std::abort();
    expected.setName(*taken.name());
    if (taken != expected || taken.actionCount() < 0 || taken.actionCount() > kMacroActionCapacity)
        std::abort();
    return 0;
}
