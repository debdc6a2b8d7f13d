// macro.data as anything at all: loaded and repaired.
#include "fuzz_input.h"
#include "store/macro_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto& folder = fuzz::scratch();
    fuzz::writeInput(folder / "ms_10" / "macro.data", data, size);
    MacroList list;
    loadMacros(list, *descriptorFor(10), folder.string() + "/", [](std::string_view) {});
    for (const auto& e : std::filesystem::directory_iterator(folder / "ms_10"))
        if (e.path().filename() != "macro.data") std::filesystem::remove(e.path());
    return 0;
}
