// The profile store as a damaged or hostile pro.data: read, then loaded with
// its repair (never replacing what it could not read).
#include "fuzz_input.h"
#include "store/profile_store.h"
#include "util/text_lookup.h"

namespace {
class Texts final : public velor::TextLookup {
  public:
    std::u16string text(std::string_view) const override { return u"Profile"; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const auto& folder = fuzz::scratch();
    fuzz::writeInput(folder / "ms_10" / "pro.data", data, size);
    readProfileStore(*descriptorFor(10), folder / "ms_10" / "pro.data");
    ProfileList list(*descriptorFor(10));
    const Texts texts;
    loadProfiles(list, folder.string() + "/", texts, [](std::string_view) {});
    // Kept-aside copies pile up otherwise.
    for (const auto& e : std::filesystem::directory_iterator(folder / "ms_10"))
        if (e.path().filename() != "pro.data") std::filesystem::remove(e.path());
    return 0;
}
