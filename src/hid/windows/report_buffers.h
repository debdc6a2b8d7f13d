// Report lengths as Windows wants them: every report sent is exactly as long
// as the collection's longest of its kind, and every input report arrives
// with its report number in front (0 when the device numbers none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velor {

// The report as Windows takes it: a shorter one copied into scratch and
// padded with zeros to reportLength; one as long or longer goes as it is
// (Windows refuses a short one and cuts a long feature report itself).
std::span<const std::uint8_t> paddedReport(std::span<const std::uint8_t> report,
                                           std::size_t reportLength,
                                           std::vector<std::uint8_t>& scratch);

// Copies an input report as Windows delivered it into out, the way hidraw
// gives it: without the leading 0 of an unnumbered report, cut to what fits.
// Returns the bytes copied.
std::size_t copyInputReport(std::span<const std::uint8_t> received, std::span<std::uint8_t> out);

}  // namespace velor
