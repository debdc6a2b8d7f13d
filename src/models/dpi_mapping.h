// Conversions between a DPI level's stored value (slider units) and the DPI
// shown and typed, with the slot's limits on typed values.
#pragma once

#include "models/model_descriptor.h"
#include "profile/profile_record.h"

namespace velor {

int dpiFromSlider(const ModelDescriptor& model, int value);
// Clamps d to the slot's typed limits first.
int sliderFromDpi(const ModelDescriptor& model, int dpi);

// The value a DPI level (0-based) takes when it joins the cycle: its own when
// the mouse can use it; else (a level never enabled holds 0, which some
// reports cannot tell from an empty level) that of the nearest level below
// with one, or the slot's first default.
int usableLevelValue(const ModelDescriptor& model, const ProfileRecord& record, int level);

}  // namespace velor
