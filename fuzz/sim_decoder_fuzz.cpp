// The simulated mice's side: any bytes as a feature report or chunk over the
// cable and the 2.4 GHz receiver, and as 4K frames. The mouse is the tests'
// judge, so whatever it refuses must be counted, and whatever it keeps must
// be a value a mouse can hold; a 4K frame is taken only when sound.
#include <cstdlib>

#include "profile/record_layout.h"
#include "sim/frame_4k_reader.h"
#include "sim/sim_mouse.h"

namespace {

using namespace velor;

void checkSettings(const sim::MouseSettings& s) {
    if (s.dpi && (s.dpi->currentLevel < 1 || s.dpi->currentLevel > kDpiLevels)) std::abort();
    for (const auto& m : s.macros)
        if (m && (m->entries.size() > 50 || m->loopTimes < 1)) std::abort();
}

// A frame the reader took: report number 4, a length within the frame, the
// sum of what precedes it big-endian in its last two bytes, zeros after.
bool soundFrame(std::span<const std::uint8_t> f) {
    const std::size_t length = f[1];
    if (f[0] != 0x04 || length < 6 || length > f.size()) return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 2 < length; ++i) sum += f[i];
    if (f[length - 2] != ((sum >> 8) & 0xFF) || f[length - 1] != (sum & 0xFF)) return false;
    for (std::size_t i = length; i < f.size(); ++i)
        if (f[i] != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const int slot : {1, 3, 6, 9, 10}) {
        sim::SimMouse mouse(*descriptorFor(slot));
        // Several reports in one input, split where a byte says 0xFF.
        std::size_t start = 0;
        for (std::size_t i = 0; i <= size; ++i) {
            if (i < size && data[i] != 0xFF) continue;
            const auto piece = bytes.subspan(start, i - start);
            if (!piece.empty()) {
                for (const sim::Via via : {sim::Via::Cable, sim::Via::Receiver}) {
                    const int before = mouse.malformedCount();
                    const bool taken = mouse.receive(piece, via);
                    if (mouse.malformedCount() != before + (taken ? 0 : 1)) std::abort();
                }
                checkSettings(mouse.settings());
            }
            start = i + 1;
        }
        if (mouse.trace().size() > 2 * size) std::abort();
    }
    sim::Frame4kReader reader;
    for (std::size_t at = 0; at + 65 <= size; at += 65) {
        const auto frame = bytes.subspan(at, 65);
        const auto r = reader.take(frame);
        if (r.outcome != sim::Frame4kReader::Outcome::Malformed && !soundFrame(frame)) std::abort();
        // A report is the frame's payload, a macro's two payloads together.
        if (r.outcome == sim::Frame4kReader::Outcome::Report &&
            r.report.size() != (frame[2] == 1 ? 59u + frame[1] - 5u : frame[1] - 5u))
            std::abort();
        if (r.outcome != sim::Frame4kReader::Outcome::Report && !r.report.empty()) std::abort();
    }
    return 0;
}
