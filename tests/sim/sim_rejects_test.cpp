// The simulated mouse judges every other test, so it must refuse anything a
// real mouse would not take. Each row spoils one field or byte of a valid
// transfer, or sends valid ones out of turn, and checks that the mouse keeps
// what it had, counts the transfer as malformed, and that the way in says so:
// the cable's feature report fails, the 2.4 GHz receiver sends no
// acknowledgement, the 4K receiver's write fails, the Bluetooth write fails.
#include <gtest/gtest.h>

#include <functional>

#include "../support/test_records.h"
#include "protocol/frame_4k.h"
#include "protocol/report_builders.h"
#include "sim/sim_backend.h"

namespace velor::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
enum class Path { Cable, Receiver, Receiver4k, Bluetooth };

Bytes bytesOf(std::span<const std::uint8_t> b) {
    return {b.begin(), b.end()};
}

// Sets bytes of a report and stores its sum again where its command keeps it,
// so that only the byte named is wrong.
Bytes patched(Bytes b, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    for (const auto& [at, value] : bytes) b[at] = value;
    std::size_t last = 0;
    switch (b[0]) {
        case 0x04:
            last = 49;
            break;
        case 0x05:
            last = 10;
            break;
        case 0x08:
            last = 56;
            break;
        case 0x09:
            last = b.size() - 3;
            break;
        default:
            return b;
    }
    std::uint16_t sum = 0;
    for (std::size_t i = 3; i <= last; ++i) sum = static_cast<std::uint16_t>(sum + b[i]);
    b[last + 1] = static_cast<std::uint8_t>(sum >> 8);
    b[last + 2] = static_cast<std::uint8_t>(sum);
    return b;
}

// A 4K frame whose sum is stored again at the length its byte 1 says.
Bytes resealed(Bytes f) {
    const std::size_t end = f[1] - 2u;
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < end; ++i) sum = static_cast<std::uint16_t>(sum + f[i]);
    f[end] = static_cast<std::uint8_t>(sum >> 8);
    f[end + 1] = static_cast<std::uint8_t>(sum);
    return f;
}

ProfileRecord withMacro(int slot, int button) {
    ProfileRecord r = newRecord(descriptorFor(slot)->record, u"M");
    const MacroAction actions[] = {{0x04, MacroAction::kPress, 30},
                                   {0x04, MacroAction::kRelease, 1500}};
    testing::assignMacro(r, button, actions);
    return r;
}

// The macro report of button 3 on the slot (entries: 0x04 down, 0x04 up,
// the up's 1500 ms as 7 x 200).
Bytes macroOf(int slot) {
    return bytesOf(buildMacro(withMacro(slot, 3), 3).bytes());
}

// A macro report of button 3 whose 50 entries fill the 131-byte report
// (42 short key-downs, 4 long ones taking two entries each), so that a count
// past them reads the checksum as an entry.
Bytes fullMacroOf(int slot) {
    ProfileRecord r = newRecord(descriptorFor(slot)->record, u"F");
    std::vector<MacroAction> actions(42, {0x04, MacroAction::kPress, 30});
    actions.insert(actions.end(), 4, {0x04, MacroAction::kPress, 1500});
    testing::assignMacro(r, 3, actions);
    return bytesOf(buildMacro(r, 3).bytes());
}

std::vector<Bytes> chunksOf(const Bytes& macro, bool wireless) {
    std::vector<Bytes> chunks;
    for (const MacroChunk& c : splitMacro(Report::from(macro), wireless))
        chunks.push_back(bytesOf(c));
    if (macro.size() == 111 && !wireless) chunks.pop_back();  // two chunks on the cable
    return chunks;
}

std::vector<Bytes> framesOf(const Bytes& macro) {
    std::vector<Bytes> frames;
    for (const Frame4k& f : macroFrames4k(Report::from(macro))) frames.push_back(bytesOf(f));
    return frames;
}

Bytes dpiOf(int slot) {
    return bytesOf(buildDpi(newRecord(descriptorFor(slot)->record, u"D")).bytes());
}
Bytes lightingOf(int slot) {
    return bytesOf(buildLighting(newRecord(descriptorFor(slot)->record, u"L")).bytes());
}
Bytes pollingOf(int slot) {
    return bytesOf(buildPolling(newRecord(descriptorFor(slot)->record, u"P")).bytes());
}
Bytes buttonsOf(int slot) {
    return bytesOf(buildButtons(withMacro(slot, 3)).bytes());
}
const Bytes kOpening = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

struct Case {
    const char* name;
    int slot;
    Path path;
    std::function<std::vector<Bytes>()> before;  // valid transfers, all taken
    std::function<Bytes()> spoilt;               // the transfer to be refused
    int malformed = 1;
    bool unplugFirst = false;  // the device is pulled out and back before it
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// Everything sent over the 4K receiver is framed.
Bytes framed(const Bytes& report) {
    return bytesOf(frame4k(report));
}

// One row a line: the table reads as a list of faults.
// clang-format off
const Case kCases[] = {
    {"OpeningByte2", 10, Path::Cable, {}, [] { return patched(kOpening, {{2, 0x02}}); }},
    {"OpeningShort", 10, Path::Cable, {}, [] { return Bytes(kOpening.begin(), kOpening.end() - 1); }},
    {"DpiLengthByte", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{1, 0x37}}); }},
    {"DpiOneByteShort", 10, Path::Cable, {}, [] { Bytes b = dpiOf(10); b.pop_back(); return b; }},
    {"DpiCurrentLevel0", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{24, 0}}); }},
    {"DpiCurrentLevel9", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{24, 9}}); }},
    {"DpiByte49", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{49, 0x02}}); }},
    {"DpiSumLow", 10, Path::Cable, {}, [] { Bytes b = dpiOf(10); b[51] ^= 1; return b; }},
    {"DpiTailByte", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{52, 1}}); }},
    {"DpiCodeNoSensorHas", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{8, 5}, {16, 5}}); }},
    {"DpiAxesDiffer", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{9, 13}}); }},
    {"DpiHighRangeLowCode", 10, Path::Cable, {}, [] { return patched(dpiOf(10), {{6, 1}, {7, 1}}); }},
    {"DpiWideAboveTop", 3, Path::Receiver4k, {}, [] { return framed(patched(dpiOf(3), {{8, 0x08}, {16, 0x02}})); }},
    {"DpiTableRangeByte2", 7, Path::Bluetooth, {}, [] { return patched(dpiOf(7), {{16, 2}}); }},
    {"DpiTableHighCode", 7, Path::Bluetooth, {}, [] { return patched(dpiOf(7), {{8, 235}, {16, 1}}); }},
    {"DpiOffsetByte7", 9, Path::Cable, {}, [] { return patched(dpiOf(9), {{7, 1}}); }},
    {"DpiOffsetAboveTop", 9, Path::Cable, {}, [] { return patched(dpiOf(9), {{8, 190}, {16, 1}}); }},
    {"LightingBrightnessNotTaken", 10, Path::Cable, {}, [] { return patched(lightingOf(10), {{3, 0x20}, {5, 0xA5}}); }},
    {"LightingModeLowNibble", 10, Path::Cable, {}, [] { return patched(lightingOf(10), {{3, 0x01}}); }},
    {"LightingClassicNibbles", 1, Path::Cable, {}, [] { return patched(lightingOf(1), {{4, 0x18}}); }},
    {"LightingSumHigh", 10, Path::Receiver, {}, [] { Bytes b = lightingOf(10); b[11] ^= 0x10; return b; }},
    {"PollingComplement", 10, Path::Cable, {}, [] { return patched(pollingOf(10), {{4, 0x01}}); }},
    {"PollingNoSuchRate", 10, Path::Receiver, {}, [] { return patched(pollingOf(10), {{3, 0x03}, {4, 0xFC}}); }},
    {"PollingSevenRateOn4", 10, Path::Cable, {}, [] { return patched(pollingOf(10), {{3, 0x20}, {4, 0xDF}}); }},
    {"PollingFastNibble8", 6, Path::Receiver, {}, [] { return patched(pollingOf(6), {{3, 0x84}, {4, 0x7B}}); }},
    {"PollingOverBluetooth", 7, Path::Bluetooth, {}, [] { return pollingOf(7); }},
    {"PollingOver4kTail", 3, Path::Receiver4k, {}, [] { return framed(patched(pollingOf(3), {{8, 1}})); }},
    {"ButtonsMacroNamesOtherButton", 10, Path::Cable, {}, [] { return patched(buttonsOf(10), {{11, 4}}); }},
    {"ButtonsNoSuchFunction", 10, Path::Cable, {}, [] { return patched(buttonsOf(10), {{3, 0x27}}); }},
    {"ButtonsArgumentOnPlain", 10, Path::Receiver, {}, [] { return patched(buttonsOf(10), {{4, 1}}); }},
    {"MacroChunkOutOfOrder", 10, Path::Cable, {}, [] { return chunksOf(macroOf(10), false)[1]; }},
    {"MacroChunkSkipped", 10, Path::Cable, [] { return std::vector<Bytes>{chunksOf(macroOf(10), false)[0]}; },
     [] { return chunksOf(macroOf(10), false)[2]; }},
    {"MacroHalfSentThenOther", 10, Path::Cable,
     [] { const auto c = chunksOf(macroOf(10), false); return std::vector<Bytes>{c[0], c[1], kOpening}; },
     [] { return chunksOf(macroOf(10), false)[2]; }, 2},
    {"MacroAcrossUnplug", 10, Path::Receiver,
     [] { const auto c = chunksOf(macroOf(10), true); return std::vector<Bytes>{c[0], c[1]}; },
     [] { return chunksOf(macroOf(10), true)[2]; }, 1, true},
    {"MacroWirelessThirdChunkLength", 10, Path::Receiver,
     [] { const auto c = chunksOf(macroOf(10), true); return std::vector<Bytes>{c[0], c[1]}; },
     [] { return chunksOf(macroOf(10), false)[2]; }},
    {"MacroThirdChunkOnShortCable", 3, Path::Cable,
     [] { const auto c = chunksOf(macroOf(3), false); return std::vector<Bytes>{c[0], c[1]}; },
     [] { return bytesOf(splitMacro(Report::from(macroOf(3)), false)[2]); }},
    {"MacroRestartedHalfWay", 10, Path::Cable,
     [] { const auto c = chunksOf(macroOf(10), false); return std::vector<Bytes>{c[0], c[1], c[0]}; },
     [] { return chunksOf(macroOf(10), false)[2]; }, 2},
    {"MacroLoopCount0", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{7, 0}}); }},
    {"MacroCountOverCapacity", 7, Path::Bluetooth, {}, [] { return patched(fullMacroOf(7), {{28, 51}}); }},
    {"MacroCountPastEntries", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{28, 4}}); }},
    {"MacroEntryWithoutFlag", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{29, 0x02}}); }},
    {"MacroLongDelayFirst", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{29, 0x08}, {30, 0x03}}); }},
    {"MacroExtraBytesDiffer", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{5, 1}}); }},
    {"MacroHeaderGapByte", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{20, 1}}); }},
    {"MacroLengthByte", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{1, 0x40}}); }},
    {"MacroButton19", 7, Path::Bluetooth, {}, [] { return patched(macroOf(7), {{2, 19}}); }},
    {"Macro4kSecondFrameLength", 3, Path::Receiver4k, [] { return std::vector<Bytes>{framesOf(macroOf(3))[0]}; },
     [] { Bytes f = framesOf(macroOf(3))[1]; f[1] = 0x3A; return resealed(f); }},
    {"Macro4kSecondFrameAlone", 3, Path::Receiver4k, {}, [] { return framesOf(macroOf(3))[1]; }},
    {"Macro4kFirstFrameLength", 3, Path::Receiver4k, {},
     [] { Bytes f = framesOf(macroOf(3))[0]; f[1] = 0x3F; f[63] = 0; return resealed(f); }},
    {"Macro4kAcrossUnplug", 3, Path::Receiver4k, [] { return std::vector<Bytes>{framesOf(macroOf(3))[0]}; },
     [] { return framesOf(macroOf(3))[1]; }, 1, true},
    {"Macro4kHalfSentThenOther", 3, Path::Receiver4k, [] { return std::vector<Bytes>{framesOf(macroOf(3))[0]}; },
     [] { return framed(kOpening); }},
    {"Macro4kCountOverCapacity", 3, Path::Receiver4k, [] { return std::vector<Bytes>{framesOf(patched(macroOf(3), {{28, 41}}))[0]}; },
     [] { return framesOf(patched(macroOf(3), {{28, 41}}))[1]; }},
    {"Frame4kSumLow", 3, Path::Receiver4k, {}, [] { Bytes f = framed(kOpening); f[14] ^= 1; return f; }},
    {"Frame4kSequence1Alone", 3, Path::Receiver4k, {}, [] { Bytes f = framed(kOpening); f[2] = 1; return resealed(f); }},
    {"Frame4kReportNumber", 3, Path::Receiver4k, {}, [] { Bytes f = framed(kOpening); f[0] = 0x05; return resealed(f); }},
    {"Frame4kLengthCutsReport", 3, Path::Receiver4k, {}, [] { Bytes f = framed(kOpening); f[1] = 0x0E; f[14] = 0; return resealed(f); }},
    {"Frame4kTail", 3, Path::Receiver4k, {}, [] { Bytes f = framed(kOpening); f[64] = 1; return f; }},
};
// clang-format on

// One simulated device of the case's kind and what it answers.
class Rig {
  public:
    explicit Rig(const Case& c) : path_(c.path), slot_(c.slot) {
        const ModelDescriptor& model = *descriptorFor(c.slot);
        switch (c.path) {
            case Path::Cable:
                mouse_ = &backend_.plugWiredMouse(model);
                command_ = openInterface(backend_, kVendorId, model.pid, 0xFF00);
                break;
            case Path::Receiver:
                mouse_ = &backend_.plugReceiver(model);
                command_ = openInterface(backend_, kVendorId, kReceiver24Pid, 0x000B);
                reports_ = openInterface(backend_, kVendorId, kReceiver24Pid, 0x000A);
                break;
            case Path::Receiver4k:
                mouse_ = &backend_.plug4kReceiver(model);
                command_ = openInterface(backend_, kVendorId, kReceiver4kPid, 0xFF00);
                reports_ = openInterface(backend_, kVendorId, kReceiver4kPid, 0x000A);
                break;
            case Path::Bluetooth:
                mouse_ = &backend_.plugBleMouse(model);
                break;
        }
    }
    SimMouse& mouse() { return *mouse_; }
    void unplugAndBack() {
        backend_.unplug(*mouse_);
        backend_.plugBack(*mouse_);
    }
    // True when the way in reports the transfer taken.
    bool deliver(const Bytes& b) {
        switch (path_) {
            case Path::Cable:
            case Path::Receiver:
                return command_->sendFeatureReport(b) == static_cast<int>(b.size());
            case Path::Receiver4k:
                return command_->write(b) == static_cast<int>(b.size());
            case Path::Bluetooth:
                return backend_.bleWrite(slot_, b);
        }
        return false;
    }
    // Acknowledgements waiting on the 2.4 GHz receiver's report interface.
    int takeAcknowledgements() {
        int count = 0;
        std::array<std::uint8_t, 64> in{};
        while (reports_ && reports_->readTimeout(in, 0) > 0) count += in[0] == 3 && in[2] == 0x50;
        return count;
    }

  private:
    SimBackend backend_;
    Path path_;
    int slot_;
    SimMouse* mouse_ = nullptr;
    std::unique_ptr<HidDevice> command_, reports_;
};

class SimRejects : public ::testing::TestWithParam<Case> {};

TEST_P(SimRejects, TheMouseKeepsWhatItHadCountsItAndTheWayInFails) {
    const Case& c = GetParam();
    Rig rig(c);
    const std::vector<Bytes> before = c.before ? c.before() : std::vector<Bytes>{};
    for (const Bytes& b : before) ASSERT_TRUE(rig.deliver(b));
    if (c.unplugFirst) rig.unplugAndBack();
    rig.takeAcknowledgements();
    const MouseSettings held = rig.mouse().settings();

    EXPECT_FALSE(rig.deliver(c.spoilt()));
    EXPECT_EQ(rig.mouse().malformedCount(), c.malformed);
    EXPECT_EQ(rig.takeAcknowledgements(), 0);
    EXPECT_TRUE(rig.mouse().settings() == held);
}

INSTANTIATE_TEST_SUITE_P(EveryReport, SimRejects, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// The same transfers unspoilt are taken and acknowledged: the rows above fail
// for the byte they name, not for a frame that was never right.
TEST(SimRejects, TheUnspoiltTransfersAreTaken) {
    struct Good {
        int slot;
        Path path;
        std::vector<Bytes> transfers;
        int acknowledgements;
        bool storesMacro = false;  // of button 3
    };
    const Good goods[] = {
        {10, Path::Cable, {kOpening, dpiOf(10), lightingOf(10), pollingOf(10), buttonsOf(10)}, 0},
        {10, Path::Cable, chunksOf(macroOf(10), false), 0, true},
        {3, Path::Cable, chunksOf(macroOf(3), false), 0, true},
        {9, Path::Cable, {dpiOf(9)}, 0},
        {1, Path::Cable, {lightingOf(1)}, 0},
        {10, Path::Receiver, {lightingOf(10), pollingOf(10), buttonsOf(10)}, 3},
        {10, Path::Receiver, chunksOf(macroOf(10), true), 1, true},
        {6, Path::Receiver, {pollingOf(6)}, 1},
        {7, Path::Bluetooth, {dpiOf(7), macroOf(7), fullMacroOf(7)}, 0, true},
        {3, Path::Receiver4k, {framed(dpiOf(3)), framed(pollingOf(3)), framed(kOpening)}, 3},
        {3, Path::Receiver4k, framesOf(macroOf(3)), 1, true},
    };
    for (const Good& g : goods) {
        Rig rig({"", g.slot, g.path, {}, {}});
        for (const Bytes& b : g.transfers)
            EXPECT_TRUE(rig.deliver(b)) << g.slot << " " << int(b[0]);
        EXPECT_EQ(rig.mouse().malformedCount(), 0) << g.slot;
        EXPECT_EQ(rig.takeAcknowledgements(), g.acknowledgements) << g.slot;
        EXPECT_EQ(rig.mouse().settings().macros[2].has_value(), g.storesMacro) << g.slot;
    }
}

}  // namespace
}  // namespace velor::sim
