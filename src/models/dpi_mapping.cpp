#include "models/dpi_mapping.h"

#include <algorithm>

namespace velor {

namespace {
// Two-segment slots run in 50-DPI steps up to this value, then in 100-DPI steps.
constexpr int kTwoSegmentKnee = 10000;
constexpr int kTwoSegmentKneeValue = 200;
}  // namespace

int dpiFromSlider(const ModelDescriptor& model, int value) {
    switch (model.dpiMapping) {
        case DpiMapping::Linear100:
            return value * 100;
        case DpiMapping::Linear50:
            return value * 50;
        case DpiMapping::TwoSegment:
            return value <= kTwoSegmentKneeValue ? value * 50 : (value - 100) * 100;
    }
    return 0;
}

int sliderFromDpi(const ModelDescriptor& model, int dpi) {
    const int d = std::clamp(dpi, model.dpiMin, model.dpiMax);
    switch (model.dpiMapping) {
        case DpiMapping::Linear100:
            return d / 100;
        case DpiMapping::Linear50:
            return d / 50;
        case DpiMapping::TwoSegment:
            return d <= kTwoSegmentKnee ? d / 50
                                        : (d - kTwoSegmentKnee) / 100 + kTwoSegmentKneeValue;
    }
    return 0;
}

int usableLevelValue(const ModelDescriptor& model, const ProfileRecord& record, int level) {
    // Compared in slider units: a value from a file may be any 32-bit number.
    const int lowest = sliderFromDpi(model, model.dpiMin);
    const int highest = sliderFromDpi(model, model.dpiMax);
    const auto usable = [&](int v) { return v > 0 && v >= lowest && v <= highest; };
    for (int k = std::min(level, kDpiLevels - 1); k >= 0; --k)
        if (const int v = record.i32(Field::dpiX, static_cast<std::uint32_t>(k)); usable(v))
            return v;
    return model.record.defaults.dpi[0];
}

}  // namespace velor
