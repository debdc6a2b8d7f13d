#include "store/profile_fit.h"

#include <algorithm>

#include "models/dpi_mapping.h"
#include "profile/function_table.h"

namespace velor {

namespace {

using Problem = std::optional<std::string>;
using Row = FieldSpec<Field>;
using Lines = std::vector<std::string>;

struct Range {
    std::int64_t low;
    std::int64_t high;
};

// What the page's controls offer.
constexpr Range kOption{0, 1};
constexpr Range kLevel{0, kDpiLevels - 1};
constexpr Range kLightModes{0, 11};  // the entries of the lighting effect list
constexpr Range kLightSlider{1, 8};  // brightness and speed
constexpr Range kSleepTimer{1, 30};
constexpr Range kKeyDebounce{1, 15};
constexpr Range kLightOffTimer{1, 20};
constexpr Range kFourRates{0, 3};
constexpr Range kSevenRates{0, 6};
constexpr Range kRepeatModes{0, 2};
constexpr int kButtonsWithLeftClick = 16;     // one of buttons 1..16 keeps the left click
constexpr std::uint8_t kModifierBits = 0x0F;  // Ctrl, Shift, Alt, Win

// No control or report of the mouse sets lightParam: every profile keeps the
// value it was made with. It is what tells a reference record from a swapped
// one of the same length, as the two keep it and the sleep timer in each
// other's place.
constexpr std::int64_t kLightParam = 2;

std::string text(std::int64_t v) {
    return std::to_string(v);
}

std::string element(const Row& f, std::uint32_t i) {
    return f.count > 1 ? std::string(f.name) + "[" + text(i) + "]" : std::string(f.name);
}

void outside(Lines& lines, const std::string& what, std::int64_t v, Range r,
             const std::string& unit = {}) {
    if (v < r.low || v > r.high)
        lines.push_back(what + " is " + text(v) + ", the window sets " + text(r.low) + ".." +
                        text(r.high) + unit);
}

void eachIn(Lines& lines, const ProfileRecord& r, const Row& f, Range range) {
    for (std::uint32_t i = 0; i < f.count; ++i)
        outside(lines, element(f, i), readField(r.bytes(), f, i), range);
}

// Levels in the slot's slider units; a level out of the cycle may hold 0.
void dpiValues(Lines& lines, const ModelDescriptor& m, const ProfileRecord& r, const Row& f) {
    const Range range{sliderFromDpi(m, m.dpiMin), sliderFromDpi(m, m.dpiMax)};
    const std::string unit =
        " (" + text(m.dpiMin) + " to " + text(m.dpiMax) + " DPI on slot " + text(m.slot) + ")";
    for (std::uint32_t i = 0; i < f.count; ++i) {
        const std::int64_t v = readField(r.bytes(), f, i);
        if (v == 0 && r.get(Field::dpiEnabled, i) != 1) continue;
        outside(lines, element(f, i), v, range, unit);
    }
}

void colours(Lines& lines, const ProfileRecord& r, const Row& f) {
    for (std::uint32_t i = 0; i < f.count; ++i)
        if ((readField(r.bytes(), f, i) >> 24) != 0)
            lines.push_back(element(f, i) + " has a fourth byte, which the window does not keep");
}

void buttons(Lines& lines, const ProfileRecord& r) {
    bool leftClick = false;
    for (int k = 0; k < kButtonCount; ++k) {
        const ConstButtonSlot slot = r.button(k);
        const std::string name = "button " + text(k + 1);
        const std::uint8_t code = slot.function();
        if (functionInfo(code) == nullptr)
            lines.push_back(name + ": function " + text(code) +
                            ", which the window has no entry for");
        if (code == function::kKeyboard && (slot.modifiers() & ~kModifierBits) != 0)
            lines.push_back(name + ": modifiers " + text(slot.modifiers()) +
                            ", more than the window's Ctrl, Shift, Alt and Win");
        if (code == function::kMacro)
            outside(lines, name + ": macroRepeatMode", slot.macroRepeatMode(), kRepeatModes);
        if (k < kButtonsWithLeftClick && code == function::kLeftClick) leftClick = true;
    }
    if (!leftClick)
        lines.push_back("none of buttons 1..16 is a left click, which the window always keeps");
}

void fieldOutside(Lines& lines, const ModelDescriptor& m, const ProfileRecord& r, const Row& f) {
    switch (f.id) {
        case Field::dpiX:
            return dpiValues(lines, m, r, f);
        case Field::dpiEnabled:
        case Field::liftOffDistance:
        case Field::moveMode:
        case Field::rippleControl:
        case Field::angleSnap:
        case Field::motionSync:
            return eachIn(lines, r, f, kOption);
        case Field::dpiLevel:
            return eachIn(lines, r, f, kLevel);
        case Field::brightness:
        case Field::breathSpeed:
            return eachIn(lines, r, f, kLightSlider);
        case Field::sleepTimer:
            return eachIn(lines, r, f, kSleepTimer);
        case Field::lightOffTimer:
            return eachIn(lines, r, f, kLightOffTimer);
        case Field::pollingRate:
            return eachIn(
                lines, r, f,
                m.pollingOptions == PollingOptions::SevenRates ? kSevenRates : kFourRates);
        case Field::pollingRateHs:
            return eachIn(lines, r, f, kSevenRates);
        case Field::lightMode:
            return eachIn(lines, r, f, kLightModes);
        case Field::keyDebounce:
            return eachIn(lines, r, f, kKeyDebounce);
        case Field::lightColour:
        case Field::dpiColour:
            return colours(lines, r, f);
        case Field::buttons:
            return buttons(lines, r);
        // The second DPI table, the spare colours and texts, the reserved
        // values and the spare button slots: no control shows them, and they
        // are kept as found, as other programs may use them.
        default:
            return;
    }
}

Problem macroSlot(ConstButtonSlot slot, const std::string& name) {
    if (slot.function() != function::kMacro) return std::nullopt;
    if (slot.macroActionCount() > kMacroActionCapacity)
        return name + ": macro action count " + text(slot.macroActionCount()) + " is above " +
               text(kMacroActionCapacity);
    if (!slot.macroName()) return name + ": the macro name has no terminator in its array";
    return std::nullopt;
}

Problem fieldForeign(const ModelDescriptor& m, const ProfileRecord& r, const Row& f) {
    switch (f.id) {
        case Field::name:
            if (!r.name())
                return std::string("name: the profile name has no terminator in its array");
            return std::nullopt;
        case Field::lightParam:
            if (const std::int64_t v = readField(r.bytes(), f); v != kLightParam)
                return "lightParam is " + text(v) + ", but every profile of slot " + text(m.slot) +
                       " holds " + text(kLightParam) + " there (a profile of another model?)";
            return std::nullopt;
        case Field::buttons:
            for (int k = 0; k < kButtonCount; ++k)
                if (auto p = macroSlot(r.button(k), "button " + text(k + 1))) return p;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::vector<const Row*> byOffset(const ProfileRecord& record) {
    std::vector<const Row*> rows;
    for (const Row& f : record.layout().fields()) rows.push_back(&f);
    std::sort(rows.begin(), rows.end(),
              [](const Row* a, const Row* b) { return a->offset < b->offset; });
    return rows;
}

}  // namespace

std::optional<std::string> notAProfileOf(const ModelDescriptor& model,
                                         const ProfileRecord& record) {
    for (const Row* f : byOffset(record))
        if (auto p = fieldForeign(model, record, *f)) return p;
    return std::nullopt;
}

std::vector<std::string> outsideTheWindow(const ModelDescriptor& model,
                                          const ProfileRecord& record) {
    Lines lines;
    for (const Row* f : byOffset(record)) fieldOutside(lines, model, record, *f);
    return lines;
}

std::vector<std::string> mendEmptyLevels(const ModelDescriptor& model, ProfileRecord& record) {
    Lines lines;
    for (int level = 0; level < kDpiLevels; ++level) {
        const auto i = static_cast<std::uint32_t>(level);
        if (record.get(Field::dpiEnabled, i) != 1 || record.get(Field::dpiX, i) != 0) continue;
        const int value = usableLevelValue(model, record, level);
        record.set(Field::dpiX, value, i);
        lines.push_back("DPI level " + text(level + 1) +
                        " takes part in the cycle without a value: " + "it takes " +
                        text(dpiFromSlider(model, value)) +
                        " DPI, as a tick in the window gives it");
    }
    return lines;
}

}  // namespace velor
