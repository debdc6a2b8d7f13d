#include "sim/sim_mouse.h"

#include <algorithm>

#include "protocol/report.h"
#include "sim/mouse_rules.h"

namespace velor::sim {

namespace {

constexpr std::uint8_t kAckEvent = 0x50;
constexpr std::size_t kChunkSize = 64;
constexpr std::size_t kChunkPayload = 60;

bool sumMatches(std::span<const std::uint8_t> b, std::size_t first, std::size_t last,
                std::size_t at) {
    const std::uint16_t sum = reportChecksum(b.subspan(first, last - first + 1));
    return b[at] == (sum >> 8) && b[at + 1] == (sum & 0xFF);
}

bool zeroFrom(std::span<const std::uint8_t> b, std::size_t from) {
    return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(),
                       [](std::uint8_t x) { return x == 0; });
}

std::uint32_t colourAt(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16);
}

// Frame of every non-macro report: its own length in byte 1, 0x01 in byte 2.
bool frameOk(std::span<const std::uint8_t> b, std::size_t length) {
    return b.size() == length && b[1] == length && b[2] == 0x01;
}

}  // namespace

std::vector<std::uint8_t> statusReport(std::uint8_t modelCode, std::uint8_t eventType,
                                       std::uint16_t value) {
    return {0x03, modelCode, eventType, static_cast<std::uint8_t>(value),
            static_cast<std::uint8_t>(value >> 8)};
}

void SimMouse::setEmit(Emit emit) {
    const std::lock_guard guard(mutex_);
    emit_ = std::move(emit);
}

bool SimMouse::receive(std::span<const std::uint8_t> bytes, Via via) {
    Emit ack;
    bool accepted = false;
    bool complete = false;
    {
        const std::lock_guard guard(mutex_);
        trace_.emplace_back(bytes.begin(), bytes.end());
        if (rejectCount_ > 0) {
            --rejectCount_;
            dropPartialMacro();  // a refused chunk breaks its macro
            return false;
        }
        // Anything but the macro's next chunk leaves it half-sent, and the
        // mouse throws away what it had of it.
        const bool nextChunk =
            !bytes.empty() && bytes[0] == command::kMacro && bytes.size() > 3 && bytes[3] != 0;
        if (macroButton_ != 0 && !nextChunk) {
            ++malformed_;
            dropPartialMacro();
        }
        accepted = decode(bytes, via);
        if (!accepted) ++malformed_;
        // A macro is acknowledged once its last chunk is in.
        complete = accepted && (bytes[0] != command::kMacro || wholeMacro(via) ||
                                bytes[3] == lastMacroChunk(via));
        if (complete && via != Via::Cable && !silent_) {
            ++acks_;
            ack = emit_;
        }
    }
    if (ack) ack(statusReport(model_.receiverCode, kAckEvent, 0));
    return accepted;
}

void SimMouse::emitStatus(std::uint8_t eventType, std::uint16_t value) {
    emitRaw(statusReport(model_.receiverCode, eventType, value));
}

void SimMouse::emitRaw(std::vector<std::uint8_t> report) {
    Emit emit;
    {
        const std::lock_guard guard(mutex_);
        emit = emit_;
    }
    if (emit) emit(std::move(report));
}

bool SimMouse::wholeMacro(Via via) {
    return via == Via::Receiver4k || via == Via::Bluetooth;
}

bool SimMouse::decode(std::span<const std::uint8_t> b, Via via) {
    if (b.size() < 3) return false;
    switch (b[0]) {
        case command::kOpening: {
            static constexpr std::uint8_t kOpening[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01,
                                                        0xFE, 0,    0,    0,    0};
            if (!std::equal(b.begin(), b.end(), std::begin(kOpening), std::end(kOpening)))
                return false;
            ++settings_.openings;
            return true;
        }
        case command::kDpi: {
            if (!frameOk(b, 56) || b[49] != 0x03 || !sumMatches(b, 3, 49, 50) || !zeroFrom(b, 52) ||
                !dpiLevelsAllowed(model_, b))
                return false;
            DpiSettings d;
            d.enabledMask = b[5];
            d.rangeMask = b[6];
            for (std::size_t i = 0; i < kDpiLevels; ++i) {
                d.codes[i] = b[8 + i];
                d.secondBytes[i] = b[16 + i];
                d.colours[i] = colourAt(b, 25 + 3 * i);
            }
            d.currentLevel = b[24];
            if (d.currentLevel < 1 || d.currentLevel > kDpiLevels) return false;
            settings_.dpi = d;
            return true;
        }
        case command::kLighting: {
            if (!frameOk(b, 15) || (b[3] & 0x0F) != 0 || !sumMatches(b, 3, 10, 11) ||
                !zeroFrom(b, 13) || !lightingAllowed(model_, b))
                return false;
            LightingSettings l;
            l.mode = b[3] >> 4;
            l.breathSpeed = 9 - (b[4] & 0x0F);
            l.sleepTimer = (b[4] & 0xF0) | (b[5] >> 4);
            l.brightness = b[5] & 0x0F;
            l.colour = colourAt(b, 6);
            l.param = b[9];
            l.keyDebounce = b[10];
            settings_.lighting = l;
            return true;
        }
        case command::kPolling: {
            // Over Bluetooth the mouse keeps its own rate and takes none.
            if (via == Via::Bluetooth || !frameOk(b, 9) ||
                b[4] != static_cast<std::uint8_t>(~b[3]) || !zeroFrom(b, 5) ||
                !pollingCodeAllowed(model_, b[3]))
                return false;
            settings_.pollingCode = b[3];
            return true;
        }
        case command::kButtons: {
            if (!frameOk(b, 59) || !sumMatches(b, 3, 56, 57)) return false;
            std::array<std::array<std::uint8_t, 3>, kButtonCount> buttons{};
            for (std::size_t k = 0; k < kButtonCount; ++k) {
                std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(3 + 3 * k), 3,
                            buttons[k].begin());
                if (!buttonEntryAllowed(buttons[k], static_cast<int>(k) + 1)) return false;
            }
            settings_.buttons = buttons;
            return true;
        }
        case command::kMacro:
            // The 4K receiver hands over the whole report, reassembled from its
            // frames; Bluetooth carries it in one write.
            if (wholeMacro(via))
                return b.size() == static_cast<std::size_t>(model_.macroReportLength) &&
                       b[1] == model_.macroReportLength && b[2] >= 1 && b[2] <= kButtonCount &&
                       decodeMacro(b[2], b.subspan(3));
            return decodeMacroChunk(b, via);
        default:
            return false;
    }
}

bool SimMouse::decodeMacroChunk(std::span<const std::uint8_t> b, Via via) {
    const auto abandon = [this] {
        dropPartialMacro();
        return false;
    };
    if (b.size() != kChunkSize) return abandon();
    const int n = b[3];
    const int last = lastMacroChunk(via);
    const std::uint8_t expectedLength = (via == Via::Receiver && n == 2) ? 0x0C : 0x40;
    if (n > last || b[1] != expectedLength || b[2] < 1 || b[2] > kButtonCount) return abandon();
    if (n == 0) {
        macroButton_ = b[2];
        macroPayload_.clear();
    } else if (b[2] != macroButton_ ||
               macroPayload_.size() != kChunkPayload * static_cast<std::size_t>(n)) {
        return abandon();  // a chunk out of sequence
    }
    macroPayload_.insert(macroPayload_.end(), b.begin() + 4, b.end());
    if (n < last) return true;
    const int button = macroButton_;
    std::vector<std::uint8_t> payload = std::move(macroPayload_);
    abandon();
    return decodeMacro(button, payload);
}

// The chunk that completes a macro: on the cable the 111-byte report of the
// high-rate slots fills two chunks; every other way takes three.
int SimMouse::lastMacroChunk(Via via) const {
    return via == Via::Cable && model_.macroReportLength == 111 ? 1 : 2;
}

// payload[i] is macro report byte 3 + i, followed by zeros to the end of
// whatever carried it.
bool SimMouse::decodeMacro(int button, std::span<const std::uint8_t> payload) {
    const auto length = static_cast<std::size_t>(model_.macroReportLength);
    const auto at = [&](std::size_t reportByte) { return payload[reportByte - 3]; };
    if (payload.size() < length - 3) return false;
    const std::uint16_t sum = reportChecksum(payload.first(length - 5));
    if (at(length - 2) != (sum >> 8) || at(length - 1) != (sum & 0xFF)) return false;
    if (!zeroFrom(payload, length - 3)) return false;
    // The extra byte thrice, a loop count of at least one, nothing up to the count.
    if (at(4) != at(5) || at(5) != at(6) || at(7) == 0 || !zeroFrom(payload.subspan(5, 20), 0))
        return false;
    const std::size_t count = at(28);
    const std::size_t capacity = (length - 31) / 2;  // 50 or 40 two-byte entries
    if (count > capacity || !macroEntriesAllowed(payload.subspan(26, 2 * count))) return false;
    MacroSettings m;
    m.repeatMode = at(3);
    m.extra = at(4);
    m.loopTimes = at(7);
    for (std::size_t i = 0; i < count; ++i) m.entries.push_back({at(29 + 2 * i), at(30 + 2 * i)});
    // Nothing may follow the counted entries.
    for (std::size_t r = 29 + 2 * count; r < length - 2; ++r)
        if (at(r) != 0) return false;
    settings_.macros[static_cast<std::size_t>(button - 1)] = std::move(m);
    return true;
}

void SimMouse::dropPartialMacro() {
    macroButton_ = 0;
    macroPayload_.clear();
}

void SimMouse::losePower() {
    const std::lock_guard guard(mutex_);
    dropPartialMacro();
}

void SimMouse::countMalformed() {
    const std::lock_guard guard(mutex_);
    ++malformed_;
}

void SimMouse::setSilent(bool silent) {
    const std::lock_guard guard(mutex_);
    silent_ = silent;
}

void SimMouse::setBattery(int percent) {
    {
        const std::lock_guard guard(mutex_);
        battery_ = std::clamp(percent, 0, 100);
    }
    emitBattery();
}

int SimMouse::battery() const {
    const std::lock_guard guard(mutex_);
    return battery_;
}

void SimMouse::setCharger(Charger charger) {
    {
        const std::lock_guard guard(mutex_);
        charger_ = charger;
        // A full battery stays full when the charger is taken away.
        if (charger == Charger::Full) battery_ = 100;
    }
    emitBattery();
}

void SimMouse::emitBattery() {
    constexpr std::uint8_t kPower = 0x40;
    // The power report's low byte: what the mouse runs on; the high byte its level.
    constexpr std::uint16_t kOnBattery = 1;
    constexpr std::uint16_t kFull = 2;
    constexpr std::uint16_t kCharging = 3;
    std::uint16_t value = 0;
    {
        const std::lock_guard guard(mutex_);
        const std::uint16_t state = charger_ == Charger::Full       ? kFull
                                    : charger_ == Charger::Charging ? kCharging
                                                                    : kOnBattery;
        value = static_cast<std::uint16_t>(battery_ << 8 | state);
    }
    emitStatus(kPower, value);
}

void SimMouse::rejectNext(int count) {
    const std::lock_guard guard(mutex_);
    rejectCount_ = count;
}

MouseSettings SimMouse::settings() const {
    const std::lock_guard guard(mutex_);
    return settings_;
}

std::vector<std::vector<std::uint8_t>> SimMouse::trace() const {
    const std::lock_guard guard(mutex_);
    return trace_;
}

int SimMouse::malformedCount() const {
    const std::lock_guard guard(mutex_);
    return malformed_;
}

int SimMouse::acknowledgements() const {
    const std::lock_guard guard(mutex_);
    return acks_;
}

}  // namespace velor::sim
