#include "protocol/report.h"

#include <algorithm>

namespace velor {

Report Report::from(std::span<const std::uint8_t> bytes) {
    Report r;
    r.length = std::min(bytes.size(), r.buffer.size());
    std::copy_n(bytes.begin(), r.length, r.buffer.begin());
    return r;
}

std::uint16_t reportChecksum(std::span<const std::uint8_t> bytes) {
    std::uint16_t sum = 0;
    for (const std::uint8_t b : bytes) sum = static_cast<std::uint16_t>(sum + b);
    return sum;
}

void storeChecksum(Report& report, std::size_t first, std::size_t last, std::size_t at) {
    const std::uint16_t sum = reportChecksum(
        std::span<const std::uint8_t>(report.buffer).subspan(first, last - first + 1));
    report.buffer[at] = static_cast<std::uint8_t>(sum >> 8);
    report.buffer[at + 1] = static_cast<std::uint8_t>(sum);
}

}  // namespace velor
