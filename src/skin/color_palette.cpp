#include "skin/color_palette.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace velor {

namespace {
constexpr int kStripHeight = 14;
constexpr int kGap = 6;
}  // namespace

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 70);
    setCursor(Qt::CrossCursor);
}

QRect ColorPalette::field() const {
    return {0, 0, width(), std::max(1, height() - kStripHeight - kGap)};
}

QRect ColorPalette::strip() const {
    return {0, height() - kStripHeight, width(), kStripHeight};
}

void ColorPalette::setSelectColor(QRgb colour) {
    colour_ = QColor::fromRgb(colour);
    colour_.setAlpha(255);
    int h = 0, s = 0, v = 0;
    colour_.getHsv(&h, &s, &v);
    if (h >= 0) hue_ = h;
    saturation_ = s;
    value_ = v;
    update();
}

void ColorPalette::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect f = field();
    QLinearGradient hues(f.topLeft(), f.topRight());
    for (int i = 0; i <= 6; ++i)
        hues.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 255, 255));
    p.fillRect(f, hues);
    QLinearGradient toWhite(f.topLeft(), f.bottomLeft());
    toWhite.setColorAt(0, QColor(255, 255, 255, 0));
    toWhite.setColorAt(1, QColor(255, 255, 255, 255));
    p.fillRect(f, toWhite);

    const QRect s = strip();
    QLinearGradient shades(s.topLeft(), s.topRight());
    shades.setColorAt(0, Qt::black);
    shades.setColorAt(1, QColor::fromHsv(hue_, saturation_, 255));
    p.fillRect(s, shades);

    // Markers: a ring on the field, a bar on the strip.
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF at(f.left() + hue_ / 359.0 * (f.width() - 1),
                     f.top() + (255 - saturation_) / 255.0 * (f.height() - 1));
    p.setPen(QPen(Qt::black, 3));
    p.drawEllipse(at, 5, 5);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawEllipse(at, 5, 5);
    const double x = s.left() + value_ / 255.0 * (s.width() - 1);
    p.setPen(QPen(hasFocus() ? palette().highlight().color() : Qt::white, 2));
    p.drawRect(QRectF(x - 2, s.top() - 1, 4, s.height() + 2));
}

void ColorPalette::pick(QPoint at) {
    if (drag_ == Drag::Field) {
        const QRect f = field();
        hue_ = std::clamp((at.x() - f.left()) * 359 / std::max(1, f.width() - 1), 0, 359);
        saturation_ =
            std::clamp(255 - (at.y() - f.top()) * 255 / std::max(1, f.height() - 1), 0, 255);
    } else if (drag_ == Drag::Strip) {
        const QRect s = strip();
        value_ = std::clamp((at.x() - s.left()) * 255 / std::max(1, s.width() - 1), 0, 255);
    }
    colour_ = QColor::fromHsv(hue_, saturation_, value_);
    update();
}

void ColorPalette::emitColour() {
    emit colorChanged(selectColor());
}

void ColorPalette::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    drag_ = strip().adjusted(0, -kGap / 2, 0, 0).contains(at) ? Drag::Strip : Drag::Field;
    pick(at);
    emitColour();
}

void ColorPalette::mouseMoveEvent(QMouseEvent* e) {
    if (drag_ == Drag::None) return;
    pick(e->position().toPoint());
    emitColour();
}

void ColorPalette::mouseReleaseEvent(QMouseEvent* e) {
    if (drag_ == Drag::None) return;
    pick(e->position().toPoint());
    drag_ = Drag::None;
    emit colorChangedButtonUp(selectColor());
}

// Arrows move the hue and saturation, Page Up/Down the brightness.
void ColorPalette::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Left:
            hue_ = std::max(0, hue_ - 5);
            break;
        case Qt::Key_Right:
            hue_ = std::min(359, hue_ + 5);
            break;
        case Qt::Key_Up:
            saturation_ = std::min(255, saturation_ + 8);
            break;
        case Qt::Key_Down:
            saturation_ = std::max(0, saturation_ - 8);
            break;
        case Qt::Key_PageUp:
            value_ = std::min(255, value_ + 16);
            break;
        case Qt::Key_PageDown:
            value_ = std::max(0, value_ - 16);
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
    }
    colour_ = QColor::fromHsv(hue_, saturation_, value_);
    update();
    emit colorChangedButtonUp(selectColor());
}

}  // namespace velor
