#include "hid/windows/report_buffers.h"

#include <algorithm>

namespace velor {

std::span<const std::uint8_t> paddedReport(std::span<const std::uint8_t> report,
                                           std::size_t reportLength,
                                           std::vector<std::uint8_t>& scratch) {
    if (report.size() >= reportLength) return report;
    scratch.assign(reportLength, 0);
    std::copy(report.begin(), report.end(), scratch.begin());
    return scratch;
}

std::size_t copyInputReport(std::span<const std::uint8_t> received, std::span<std::uint8_t> out) {
    if (!received.empty() && received[0] == 0) received = received.subspan(1);
    const std::size_t count = std::min(received.size(), out.size());
    std::copy_n(received.begin(), count, out.begin());
    return count;
}

}  // namespace velor
