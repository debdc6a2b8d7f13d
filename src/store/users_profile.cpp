#include "store/users_profile.h"

#include "models/model_descriptor.h"
#include "platform/file_io.h"
#include "store/name_rules.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

// The header, then the name in UTF-8 up to the line end that closes the file
// (a name may hold a line break of its own).
constexpr std::string_view kHeader = "# VELOR user's profile 1\n";
constexpr std::uintmax_t kMaxFileBytes = 4096;

}  // namespace

std::filesystem::path usersProfilePath(const ModelDescriptor& model,
                                       const std::string& dataFolder) {
    return pathFromUtf8(dataFolder) / pathFromUtf8(model.dataFolder) / kUsersProfileName;
}

Result<std::optional<std::u16string>> readUsersProfile(const std::filesystem::path& path) {
    using Read = Result<std::optional<std::u16string>>;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return std::optional<std::u16string>();
    FileError error;
    const auto bytes = readWholeFile(path, kMaxFileBytes, &error);
    if (!bytes) return Read::failure(error.message);
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    const auto damaged = [&] {
        return Read::failure(utf8FromPath(path.filename()) + " does not name a profile");
    };
    if (!text.starts_with(kHeader) || !text.ends_with('\n')) return damaged();
    const auto name = utf8ToUtf16(text.substr(kHeader.size(), text.size() - kHeader.size() - 1));
    if (!name || name->empty() || name->size() > kProfileNameLimit) return damaged();
    return std::optional(*name);
}

bool saveUsersProfile(const std::optional<std::u16string>& profile,
                      const std::filesystem::path& path, std::string* error) {
    if (!profile) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (!ec) return true;
        if (error) *error = utf8FromPath(path) + ": " + ec.message();
        return false;
    }
    return writeOwnTextFile(path, std::string(kHeader) + utf16ToUtf8(*profile) + '\n', error);
}

}  // namespace velor
