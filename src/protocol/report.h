// An output report to the mouse: a zero-filled buffer and the number of bytes
// that are sent. Byte 0 is the command (hidapi's report number).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velor {

namespace command {
inline constexpr std::uint8_t kDpi = 0x04;
inline constexpr std::uint8_t kLighting = 0x05;
inline constexpr std::uint8_t kPolling = 0x06;
inline constexpr std::uint8_t kButtons = 0x08;
inline constexpr std::uint8_t kMacro = 0x09;
inline constexpr std::uint8_t kOpening = 0x0C;
}  // namespace command

struct Report {
    // Large enough that macro chunking, which reads past the report's end,
    // reads zeros.
    static constexpr std::size_t kBufferSize = 192;

    std::array<std::uint8_t, kBufferSize> buffer{};
    std::size_t length = 0;

    // A report received as bytes (cut to the buffer).
    static Report from(std::span<const std::uint8_t> bytes);

    std::span<const std::uint8_t> bytes() const { return {buffer.data(), length}; }
    std::uint8_t command() const { return buffer[0]; }
};

// 16-bit sum of the bytes, each as an unsigned 8-bit value.
std::uint16_t reportChecksum(std::span<const std::uint8_t> bytes);

// Sums bytes first..last (inclusive) and stores the sum high byte first at `at`.
void storeChecksum(Report& report, std::size_t first, std::size_t last, std::size_t at);

}  // namespace velor
