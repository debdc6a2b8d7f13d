#include "store/damaged_file.h"

#include <ctime>

namespace velor {

std::filesystem::path keepDamagedCopy(const std::filesystem::path& file, std::string* error) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::filesystem::path copy = file.string() + ".damaged-" + stamp;
    std::error_code ec;
    std::filesystem::copy_file(file, copy, ec);
    if (!ec) return copy;
    if (error) *error = ec.message();
    return {};
}

}  // namespace velor
