// The colour-palette control: hue across, saturation down, and a brightness
// strip below. Reports the colour while it is dragged and when released.
#pragma once

#include <QColor>
#include <QWidget>

namespace velor {

class ColorPalette final : public QWidget {
    Q_OBJECT
  public:
    explicit ColorPalette(QWidget* parent = nullptr);

    // 0xAARRGGBB, alpha always 0xFF.
    QRgb selectColor() const { return colour_.rgb(); }
    void setSelectColor(QRgb colour);
    QSize sizeHint() const override { return {200, 110}; }

  signals:
    void colorChanged(QRgb colour);
    void colorChangedButtonUp(QRgb colour);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QRect field() const;
    QRect strip() const;
    void pick(QPoint at);
    void emitColour();

    QColor colour_{Qt::black};
    int hue_ = 0;  // kept apart from the colour so grey keeps its hue
    int saturation_ = 255;
    int value_ = 255;
    enum class Drag { None, Field, Strip } drag_ = Drag::None;
};

}  // namespace velor
