#include "store/profile_file.h"

#include "platform/file_io.h"
#include "store/profile_fit.h"
#include "util/utf8_path.h"

namespace velor {

namespace {
// Anything far larger than a record is refused before it is read whole.
constexpr std::uintmax_t kReadLimit = 1 << 20;
}  // namespace

Result<ProfileRecord> readProfileFile(const ModelDescriptor& model,
                                      const std::filesystem::path& path) {
    FileError error;
    const auto bytes = readWholeFile(path, kReadLimit, &error);
    if (!bytes) return Result<ProfileRecord>::failure(error.message);
    auto record = ProfileRecord::fromBytes(model.record, *bytes);
    if (!record)
        return Result<ProfileRecord>::failure(
            utf8FromPath(path) + ": is " + std::to_string(bytes->size()) +
            " bytes, but a profile of slot " + std::to_string(model.slot) + " is " +
            std::to_string(model.recordLength()) + " bytes");
    // Same length is not same model: a field this shape holds fixed tells.
    if (const auto misfit = notAProfileOf(model, *record))
        return Result<ProfileRecord>::failure(utf8FromPath(path) + ": not a profile of slot " +
                                              std::to_string(model.slot) + ": " + *misfit);
    return std::move(*record);
}

}  // namespace velor
