// Profile and macro files from other people: a .pro for every record shape
// and a .macro, read as an import would.
#include "fuzz_input.h"
#include "store/macro_file.h"
#include "store/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto file = fuzz::writeInput(fuzz::scratch() / "input", data, size);
    for (const int slot : {1, 3, 6, 10}) readProfileFile(*descriptorFor(slot), file);
    MacroList macros;
    importMacro(macros, file);
    return 0;
}
