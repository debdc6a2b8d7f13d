// macro.data as anything at all: loaded and repaired. Whole sound records are
// taken byte for byte; anything else is named, kept aside and replaced by a
// store that loads again without a problem.
#include <algorithm>
#include <cstdlib>

#include "fuzz_input.h"
#include "platform/file_io.h"
#include "profile/record_layout.h"
#include "store/macro_store.h"

namespace {

std::vector<std::uint8_t> bytesOf(const velor::MacroList& list) {
    std::vector<std::uint8_t> all;
    for (const auto& m : list.records) all.insert(all.end(), m.bytes().begin(), m.bytes().end());
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto& folder = fuzz::scratch();
    const auto file = fuzz::writeInput(folder / "ms_10" / "macro.data", data, size);
    const std::vector<std::uint8_t> input(data, data + size);
    MacroList list;
    const auto report = loadMacros(list, *descriptorFor(10), folder.string() + "/", [](auto) {});
    if (!report.unreadable.empty() || list.records.size() != size / kMacroRecordSize) std::abort();
    for (const MacroRecord& m : list.records)
        if (!m.name() || m.actionCount() < 0 || m.actionCount() > kMacroActionCapacity)
            std::abort();
    const auto taken = bytesOf(list);
    const bool whole = taken == input;
    if (whole != report.problems.empty()) std::abort();
    if (!whole) {
        if (readWholeFile(report.keptAside, 1 << 24) != input) std::abort();
        if (readWholeFile(file, 1 << 24) != taken) std::abort();
        MacroList again;
        if (!loadMacros(again, *descriptorFor(10), folder.string() + "/", [](auto) {})
                 .problems.empty() ||
            again.records != list.records)
            std::abort();
    }
    for (const auto& e : std::filesystem::directory_iterator(folder / "ms_10"))
        if (e.path().filename() != "macro.data") std::filesystem::remove(e.path());
    return 0;
}
