// The simulated mice's side: any bytes as a feature report or chunk over the
// cable and the 2.4 GHz receiver, and as 4K frames.
#include "sim/frame_4k_reader.h"
#include "sim/sim_mouse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const std::span<const std::uint8_t> bytes(data, size);
    for (const int slot : {1, 3, 6, 9, 10}) {
        sim::SimMouse mouse(*descriptorFor(slot));
        // Several reports in one input, split where a byte says 0xFF.
        std::size_t start = 0;
        for (std::size_t i = 0; i <= size; ++i) {
            if (i < size && data[i] != 0xFF) continue;
            const auto piece = bytes.subspan(start, i - start);
            if (!piece.empty()) {
                mouse.receive(piece, sim::Via::Cable);
                mouse.receive(piece, sim::Via::Receiver);
            }
            start = i + 1;
        }
    }
    sim::Frame4kReader reader;
    for (std::size_t at = 0; at + 65 <= size; at += 65) reader.take(bytes.subspan(at, 65));
    return 0;
}
