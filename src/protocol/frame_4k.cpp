#include "protocol/frame_4k.h"

#include <algorithm>
#include <cstdio>

namespace velor {

namespace {

constexpr std::uint8_t kReportNumber = 0x04;
constexpr std::size_t kHeader = 3;       // number, length, sequence
constexpr std::size_t kMaxPayload = 60;  // a single frame's report
constexpr std::size_t kFirstMacroPart = 59;
constexpr std::size_t kMacroLength = 111;

// Stores the 16-bit sum of frame bytes 0 .. end - 1 at end, high byte first.
void seal(Frame4k& frame, std::size_t end, const DebugSink& trace = {}) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < end; ++i) {
        sum = static_cast<std::uint16_t>(sum + frame[i]);
        if (trace) {
            char line[64];
            std::snprintf(line, sizeof line, "wCheckSum = %x, buffer[%zu] = %d", sum, i, frame[i]);
            trace(line);
        }
    }
    frame[end] = static_cast<std::uint8_t>(sum >> 8);
    frame[end + 1] = static_cast<std::uint8_t>(sum);
}

Frame4k frameOf(std::span<const std::uint8_t> payload, std::uint8_t sequence,
                const DebugSink& trace = {}) {
    Frame4k frame{};
    const std::size_t end = kHeader + payload.size();
    frame[0] = kReportNumber;
    frame[1] = static_cast<std::uint8_t>(end + 2);
    frame[2] = sequence;
    std::copy(payload.begin(), payload.end(), frame.begin() + kHeader);
    seal(frame, end, trace);
    return frame;
}

}  // namespace

Frame4k frame4k(std::span<const std::uint8_t> report) {
    return frameOf(report.first(std::min(report.size(), kMaxPayload)), 0);
}

std::array<Frame4k, 2> macroFrames4k(const Report& macro, const DebugSink& trace) {
    const std::span<const std::uint8_t> bytes(macro.buffer.data(), kMacroLength);
    return {frameOf(bytes.first(kFirstMacroPart), 0),
            frameOf(bytes.subspan(kFirstMacroPart), 1, trace)};
}

}  // namespace velor
