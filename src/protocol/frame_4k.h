// The frame in which the 4K receiver takes a command: one output report of
// 65 bytes (report number 4, length, sequence, payload, 16-bit sum high byte
// first, zeros). A command report travels in one frame, a 111-byte macro
// report in two.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "protocol/report.h"
#include "util/debug_sink.h"

namespace velor {

inline constexpr std::size_t kFrame4kSize = 65;
using Frame4k = std::array<std::uint8_t, kFrame4kSize>;

// A command report of at most 60 bytes (longer ones are cut to 60).
Frame4k frame4k(std::span<const std::uint8_t> report);

// A 111-byte macro report in its two frames. trace gets one line
// "wCheckSum = %x, buffer[%d] = %d" per byte summed for the second frame.
std::array<Frame4k, 2> macroFrames4k(const Report& macro, const DebugSink& trace = {});

}  // namespace velor
