// The mouse's side of the protocol, simulated: it decodes every report and
// macro chunk it receives, keeps the settings it was sent and a trace of every
// byte, counts malformed input, and answers as a mouse would.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "models/model_descriptor.h"

namespace velor::sim {

enum class Via : std::uint8_t { Cable, Receiver, Receiver4k, Bluetooth };

struct DpiSettings {
    std::uint8_t enabledMask = 0;
    std::uint8_t rangeMask = 0;
    std::array<std::uint8_t, kDpiLevels> codes{};
    std::array<std::uint8_t, kDpiLevels> secondBytes{};  // the second axis, or the code's range
    int currentLevel = 0;                                // 1-based, as sent
    std::array<std::uint32_t, kDpiLevels> colours{};     // 0x00BBGGRR
    friend bool operator==(const DpiSettings&, const DpiSettings&) = default;
};

struct LightingSettings {
    int mode = 0;
    int breathSpeed = 0;
    int sleepTimer = 0;
    int brightness = 0;
    std::uint32_t colour = 0;  // 0x00BBGGRR
    int param = 0;
    int keyDebounce = 0;
    friend bool operator==(const LightingSettings&, const LightingSettings&) = default;
};

struct MacroEntry {
    std::uint8_t timing;
    std::uint8_t key;
    friend bool operator==(const MacroEntry&, const MacroEntry&) = default;
};

struct MacroSettings {
    int repeatMode = 0;
    std::uint8_t extra = 0;
    int loopTimes = 0;
    std::vector<MacroEntry> entries;
    friend bool operator==(const MacroSettings&, const MacroSettings&) = default;
};

struct MouseSettings {
    int openings = 0;
    std::optional<DpiSettings> dpi;
    std::optional<LightingSettings> lighting;
    std::optional<std::uint8_t> pollingCode;
    std::optional<std::array<std::array<std::uint8_t, 3>, kButtonCount>> buttons;
    std::array<std::optional<MacroSettings>, kButtonCount> macros;  // button j at j - 1
    friend bool operator==(const MouseSettings&, const MouseSettings&) = default;
};

class SimMouse {
  public:
    // Where the mouse's input reports go (the cable's or the receiver's report
    // interface). Called without the mouse's lock held.
    using Emit = std::function<void(std::vector<std::uint8_t>)>;

    explicit SimMouse(const ModelDescriptor& model) : model_(model) {}

    const ModelDescriptor& model() const { return model_; }
    void setEmit(Emit emit);

    // One feature report as the transport delivered it. Returns false when the
    // mouse rejected it (told to) or it was malformed.
    bool receive(std::span<const std::uint8_t> bytes, Via via);

    // Sends input report 3 (model code, event type, value) to the host.
    void emitStatus(std::uint8_t eventType, std::uint16_t value);
    // Sends any bytes as an input report (e.g. a damaged one).
    void emitRaw(std::vector<std::uint8_t> report);

    void setSilent(bool silent);  // no acknowledgements through the receiver
    void rejectNext(int count);
    // The battery level the mouse reports (on battery, 1..100); it reports it
    // at once.
    void setBattery(int percent);
    int battery() const;
    // What its charger does: nothing (on battery), charging, or done (the
    // battery full, reported as such until the charger is off again). Told at
    // once, and by every heartbeat after.
    enum class Charger : std::uint8_t { Off, Charging, Full };
    void setCharger(Charger charger);
    // The power report of the battery and charger (as the heartbeat sends it).
    void emitBattery();
    // A frame the transport could not make sense of (the 4K receiver's).
    void countMalformed();
    // Unplugged: whatever part of a macro it held is gone.
    void losePower();

    MouseSettings settings() const;
    std::vector<std::vector<std::uint8_t>> trace() const;
    int malformedCount() const;
    int acknowledgements() const;

  private:
    static bool wholeMacro(Via via);
    bool decode(std::span<const std::uint8_t> bytes, Via via);
    bool decodeMacroChunk(std::span<const std::uint8_t> bytes, Via via);
    bool decodeMacro(int button, std::span<const std::uint8_t> payload);
    int lastMacroChunk(Via via) const;
    void dropPartialMacro();  // mutex held

    const ModelDescriptor& model_;
    mutable std::mutex mutex_;
    Emit emit_;
    MouseSettings settings_;
    std::vector<std::vector<std::uint8_t>> trace_;
    int malformed_ = 0;
    int acks_ = 0;
    int rejectCount_ = 0;
    bool silent_ = false;
    int battery_ = 80;
    Charger charger_ = Charger::Off;
    // Macro reassembly: the button and the chunks so far.
    int macroButton_ = 0;
    std::vector<std::uint8_t> macroPayload_;
};

// Input report 3 as a mouse sends it: id, model code, event type, value low, high.
std::vector<std::uint8_t> statusReport(std::uint8_t modelCode, std::uint8_t eventType,
                                       std::uint16_t value);

}  // namespace velor::sim
