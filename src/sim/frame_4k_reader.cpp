#include "sim/frame_4k_reader.h"

#include <algorithm>

namespace velor::sim {

namespace {

constexpr std::size_t kFrameSize = 65;
constexpr std::uint8_t kReportNumber = 0x04;
constexpr std::uint8_t kMacro = 0x09;
constexpr std::uint8_t kFirstMacroFrameLength = 0x40;
constexpr std::uint8_t kSecondMacroFrameLength = 0x39;

}  // namespace

Frame4kReader::Result Frame4kReader::take(std::span<const std::uint8_t> f) {
    const auto malformed = [this] {
        macroStart_.clear();
        return Result{Outcome::Malformed, {}};
    };
    if (f.size() != kFrameSize || f[0] != kReportNumber) return malformed();
    const std::size_t length = f[1];
    if (length < 6 || length > kFrameSize) return malformed();
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i + 2 < length; ++i) sum = static_cast<std::uint16_t>(sum + f[i]);
    if (f[length - 2] != (sum >> 8) || f[length - 1] != (sum & 0xFF)) return malformed();
    if (!std::all_of(f.begin() + static_cast<std::ptrdiff_t>(length), f.end(),
                     [](std::uint8_t b) { return b == 0; }))
        return malformed();
    const std::span<const std::uint8_t> payload = f.subspan(3, length - 5);
    const std::uint8_t sequence = f[2];

    if (sequence == 1) {
        // The second frame of a macro, right after its first.
        if (macroStart_.empty() || length != kSecondMacroFrameLength) return malformed();
        std::vector<std::uint8_t> report = std::move(macroStart_);
        macroStart_.clear();
        report.insert(report.end(), payload.begin(), payload.end());
        return {Outcome::Report, std::move(report)};
    }
    if (sequence != 0 || !macroStart_.empty()) return malformed();  // a macro left half-sent
    if (payload[0] == kMacro) {
        if (length != kFirstMacroFrameLength) return malformed();
        macroStart_.assign(payload.begin(), payload.end());
        return {Outcome::Partial, {}};
    }
    return {Outcome::Report, {payload.begin(), payload.end()}};
}

}  // namespace velor::sim
