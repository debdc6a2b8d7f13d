// The profile store as a damaged or hostile pro.data: read, then loaded with
// its repair (never replacing what it could not read). A sound store is taken
// byte for byte and left alone; a damaged one is kept aside and replaced by a
// store that reads back without a problem.
#include <algorithm>
#include <cstdlib>

#include "fuzz_input.h"
#include "platform/file_io.h"
#include "profile/record_validation.h"
#include "store/profile_store.h"
#include "util/text_lookup.h"

namespace {
class Texts final : public velor::TextLookup {
  public:
    std::u16string text(std::string_view) const override { return u"Profile"; }
};

// The bytes a store of these contents is written as.
std::vector<std::uint8_t> storeBytes(int index, const std::vector<std::uint8_t>& reserved,
                                     const std::vector<velor::ProfileRecord>& records) {
    std::vector<std::uint8_t> all(4);
    for (int i = 0; i < 4; ++i) all[i] = static_cast<std::uint8_t>(index >> (8 * i));
    all.insert(all.end(), reserved.begin(), reserved.end());
    for (const auto& r : records) all.insert(all.end(), r.bytes().begin(), r.bytes().end());
    return all;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const ModelDescriptor& model = *descriptorFor(10);
    const auto& folder = fuzz::scratch();
    const auto file = fuzz::writeInput(folder / "ms_10" / "pro.data", data, size);
    const std::vector<std::uint8_t> input(data, data + size);
    const auto read = readProfileStore(model, file);
    if (!read) std::abort();
    const int count = static_cast<int>(read->records.size());
    if (read->currentIndex < 0 || read->currentIndex >= std::max(count, 1)) std::abort();
    for (const ProfileRecord& r : read->records)
        if (!recordProblems(r).empty()) std::abort();
    const bool sound = read->problems.empty();
    if (sound && storeBytes(read->currentIndex, read->reserved, read->records) != input)
        std::abort();
    if (!sound && count > 0 && read->reserved.size() != storeHeaderSize(model) - 4) std::abort();

    ProfileList list(model);
    const Texts texts;
    const auto report = loadProfiles(list, folder.string() + "/", texts, [](std::string_view) {});
    if (list.size() < 1 || list.currentIndex() < 0 ||
        list.currentIndex() >= static_cast<int>(list.size()) || report.problems != read->problems)
        std::abort();
    const auto now = readWholeFile(file, std::uintmax_t{1} << 30);
    if (sound) {
        if (now != input || !report.keptAside.empty()) std::abort();
    } else {
        if (readWholeFile(report.keptAside, std::uintmax_t{1} << 30) != input) std::abort();
        const auto again = readProfileStore(model, file);
        if (!again || !again->problems.empty() || again->records.size() != list.size() ||
            again->currentIndex != list.currentIndex())
            std::abort();
    }
    // Kept-aside copies pile up otherwise.
    for (const auto& e : std::filesystem::directory_iterator(folder / "ms_10"))
        if (e.path().filename() != "pro.data") std::filesystem::remove(e.path());
    return 0;
}
