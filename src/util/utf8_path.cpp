#include "util/utf8_path.h"

#include <type_traits>

#include "util/utf16.h"

namespace velor {

namespace {
using Native = std::filesystem::path::value_type;
constexpr bool kPathsAreBytes = std::is_same_v<Native, char>;
}  // namespace

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    if constexpr (kPathsAreBytes) {
        return std::filesystem::path(std::string(utf8));
    } else {
        const auto wide = utf8ToUtf16(utf8);
        if (!wide) return std::filesystem::path(std::string(utf8));
        return std::filesystem::path(std::basic_string<Native>(wide->begin(), wide->end()));
    }
}

std::string utf8FromPath(const std::filesystem::path& path) {
    if constexpr (kPathsAreBytes) {
        return std::string(path.native().begin(), path.native().end());
    } else {
        const auto& native = path.native();
        return utf16ToUtf8(std::u16string(native.begin(), native.end()));
    }
}

}  // namespace velor
