// Conversions between a DPI level's stored value (slider units) and the DPI
// shown and typed, with the slot's limits on typed values.
#pragma once

#include "models/model_descriptor.h"

namespace velor {

int dpiFromSlider(const ModelDescriptor& model, int value);
// Clamps d to the slot's typed limits first.
int sliderFromDpi(const ModelDescriptor& model, int dpi);

}  // namespace velor
