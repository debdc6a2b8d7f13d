// Colours as the record stores them (byte 0 red, 1 green, 2 blue) on the
// page's colour buttons, and the colour window that changes one.
#pragma once

#include <QColor>

#include <cstdint>

#include "profile/field_layout.h"
#include "profile/record_layout.h"
#include "ui/page/page_env.h"

namespace velor {

QColor colourOf(std::int64_t stored);
std::uint32_t storedColour(QRgb argb);
void paintSwatch(QWidget* button, const QColor& colour);

// The colour window under the button for element index of field; on OK the
// colour is stored, the button painted and an apply requested.
void pickColour(PageEnv& env, QWidget* button, Field field, std::uint32_t index);

}  // namespace velor
