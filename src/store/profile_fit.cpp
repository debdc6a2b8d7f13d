#include "store/profile_fit.h"

#include <algorithm>
#include <vector>

#include "models/dpi_mapping.h"
#include "profile/function_table.h"

namespace velor {

namespace {

using Problem = std::optional<std::string>;
using Row = FieldSpec<Field>;

struct Range {
    std::int64_t low;
    std::int64_t high;
};

// What the page's controls offer; a profile the program made holds nothing else.
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

// No control sets lightParam: every profile keeps the value it was made with.
// It is also what tells a reference record from a swapped one of the same
// length, as the two keep it and the sleep timer in each other's place.
constexpr std::int64_t kLightParam = 2;

std::string text(std::int64_t v) {
    return std::to_string(v);
}

std::string element(const Row& f, std::uint32_t i) {
    return f.count > 1 ? std::string(f.name) + "[" + text(i) + "]" : std::string(f.name);
}

Problem outside(const std::string& what, std::int64_t v, Range r) {
    if (v >= r.low && v <= r.high) return std::nullopt;
    return what + " is " + text(v) + ", outside " + text(r.low) + ".." + text(r.high);
}

Problem eachIn(const ProfileRecord& r, const Row& f, Range range) {
    for (std::uint32_t i = 0; i < f.count; ++i)
        if (auto p = outside(element(f, i), readField(r.bytes(), f, i), range)) return p;
    return std::nullopt;
}

// Levels in the slot's slider units; 0 where no value was ever given (a level
// never enabled, and the second table, which only the defaults fill).
Problem dpiValues(const ModelDescriptor& m, const ProfileRecord& r, const Row& f) {
    const Range range{sliderFromDpi(m, m.dpiMin), sliderFromDpi(m, m.dpiMax)};
    for (std::uint32_t i = 0; i < f.count; ++i) {
        const std::int64_t v = readField(r.bytes(), f, i);
        const bool mayBeEmpty = f.id == Field::dpiY || r.get(Field::dpiEnabled, i) != 1;
        if (v == 0 && mayBeEmpty) continue;
        if (auto p = outside(element(f, i), v, range))
            return *p + " (" + text(m.dpiMin) + " to " + text(m.dpiMax) + " DPI on slot " +
                   text(m.slot) + ")";
    }
    return std::nullopt;
}

Problem colours(const ProfileRecord& r, const Row& f) {
    for (std::uint32_t i = 0; i < f.count; ++i)
        if ((readField(r.bytes(), f, i) >> 24) != 0)
            return element(f, i) + ": its fourth byte is not zero, so it is not a colour";
    return std::nullopt;
}

Problem button(ConstButtonSlot slot, const std::string& name) {
    const std::uint8_t code = slot.function();
    if (functionInfo(code) == nullptr)
        return name + ": function " + text(code) + " is not a function of the mouse";
    if (code == function::kKeyboard && (slot.modifiers() & ~kModifierBits) != 0)
        return name + ": modifiers " + text(slot.modifiers()) +
               " hold more than Ctrl, Shift, Alt and Win";
    if (code != function::kMacro) return std::nullopt;
    if (slot.macroActionCount() > kMacroActionCapacity)
        return name + ": macro action count " + text(slot.macroActionCount()) + " is above " +
               text(kMacroActionCapacity);
    if (!slot.macroName()) return name + ": the macro name has no terminator in its array";
    return outside(name + ": macroRepeatMode", slot.macroRepeatMode(), kRepeatModes);
}

Problem buttons(const ProfileRecord& r) {
    bool leftClick = false;
    for (int k = 0; k < kButtonSlotCount; ++k) {
        const ConstButtonSlot slot = r.button(k);
        const std::string name = "button " + text(k + 1);
        if (k >= kButtonCount) {
            const auto bytes = slot.bytes();
            if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; }))
                return name + ": a spare slot that is not zero";
            continue;
        }
        if (auto p = button(slot, name)) return p;
        if (k < kButtonsWithLeftClick && slot.function() == function::kLeftClick) leftClick = true;
    }
    if (!leftClick) return std::string("buttons: none of buttons 1..16 is a left click");
    return std::nullopt;
}

Problem fieldMisfit(const ModelDescriptor& m, const ProfileRecord& r, const Row& f) {
    switch (f.id) {
        case Field::name:
            if (!r.name())
                return std::string("name: the profile name has no terminator in its array");
            return std::nullopt;
        case Field::dpiX:
        case Field::dpiY:
            return dpiValues(m, r, f);
        case Field::dpiEnabled:
        case Field::liftOffDistance:
        case Field::moveMode:
        case Field::rippleControl:
        case Field::angleSnap:
        case Field::motionSync:
            return eachIn(r, f, kOption);
        case Field::dpiLevel:
            return eachIn(r, f, kLevel);
        case Field::brightness:
        case Field::breathSpeed:
            return eachIn(r, f, kLightSlider);
        case Field::lightParam:
            if (const std::int64_t v = readField(r.bytes(), f); v != kLightParam)
                return "lightParam is " + text(v) + ", but every profile of slot " + text(m.slot) +
                       " holds " + text(kLightParam) + " there (a profile of another model?)";
            return std::nullopt;
        case Field::sleepTimer:
            return eachIn(r, f, kSleepTimer);
        case Field::lightOffTimer:
            return eachIn(r, f, kLightOffTimer);
        case Field::pollingRate:
            return eachIn(
                r, f, m.pollingOptions == PollingOptions::SevenRates ? kSevenRates : kFourRates);
        case Field::pollingRateHs:
            return eachIn(r, f, kSevenRates);
        case Field::lightMode:
            return eachIn(r, f, kLightModes);
        case Field::keyDebounce:
            return eachIn(r, f, kKeyDebounce);
        case Field::lightColour:
        case Field::dpiColour:
        case Field::spareColour:
            return colours(r, f);
        case Field::buttons:
            return buttons(r);
        // Spare texts and reserved values no control sets and no report
        // carries: kept as found, as other programs may use them.
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> firstMisfit(const ModelDescriptor& model, const ProfileRecord& record) {
    std::vector<const Row*> rows;
    for (const Row& f : record.layout().fields()) rows.push_back(&f);
    std::sort(rows.begin(), rows.end(),
              [](const Row* a, const Row* b) { return a->offset < b->offset; });
    for (const Row* f : rows)
        if (auto p = fieldMisfit(model, record, *f)) return p;
    return std::nullopt;
}

}  // namespace velor
