#include "ui/page/colour_swatch.h"

#include "ui/dpi_color_window.h"

namespace velor {

QColor colourOf(std::int64_t stored) {
    const auto c = static_cast<std::uint32_t>(stored);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::uint32_t storedColour(QRgb argb) {
    return static_cast<std::uint32_t>(qRed(argb)) | static_cast<std::uint32_t>(qGreen(argb)) << 8 |
           static_cast<std::uint32_t>(qBlue(argb)) << 16;
}

// A widget's own style sheet re-styles it whole: set only when it changes.
void paintSwatch(QWidget* button, const QColor& colour) {
    if (button == nullptr) return;
    const QString sheet = QStringLiteral("background-color: %1;").arg(colour.name());
    if (button->styleSheet() != sheet) button->setStyleSheet(sheet);
}

void pickColour(PageEnv& env, QWidget* button, Field field, std::uint32_t index) {
    QWidget* window = env.context.window;
    CDpiColorWnd picker(window, env.context.texts, env.services.skinFolder);
    picker.setColor(colourOf(env.current().get(field, index)).rgb() | 0xFF000000u);
    if (button && window)
        picker.setTopLeft(
            QPoint(window->x() + button->mapTo(window, QPoint()).x() - 200,
                   window->y() + button->mapTo(window, QPoint(0, button->height())).y()));
    if (picker.showModal() != 1) return;
    env.edit([&](ProfileRecord& r) { r.set(field, storedColour(picker.color()), index); });
    paintSwatch(button, QColor::fromRgb(picker.color()));
    env.requestApply();
}

}  // namespace velor
