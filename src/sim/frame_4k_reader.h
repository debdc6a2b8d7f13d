// The simulated 4K receiver's side of its frames: checks each frame's number,
// length, sequence, sum and zero tail, and hands back a command report once
// it is complete (a macro after its second frame).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velor::sim {

class Frame4kReader {
  public:
    enum class Outcome { Report, Partial, Malformed };
    struct Result {
        Outcome outcome = Outcome::Malformed;
        std::vector<std::uint8_t> report;  // with Report
    };

    Result take(std::span<const std::uint8_t> frame);
    // The receiver was pulled out: a macro's first frame is forgotten.
    void reset() { macroStart_.clear(); }

  private:
    std::vector<std::uint8_t> macroStart_;  // the first frame's part of a macro
};

}  // namespace velor::sim
