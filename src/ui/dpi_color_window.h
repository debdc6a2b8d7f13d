// The DPI colour picker: sixteen presets, a palette and three channel edits.
// Placed where the caller says; 1 means the colour holds the user's choice.
#pragma once

#include <QPoint>
#include <QRgb>

#include <array>

#include "skin/skinned_dialog.h"

class QLineEdit;

namespace velor {

class ColorPalette;

class CDpiColorWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    static constexpr std::array<QRgb, 16> kPresets = {
        0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF, 0xFF007FFF, 0xFF0000FF, 0xFF7FFF00,
        0xFFFF5400, 0xFFFF7F00, 0xFFFFB400, 0xFFFFFF00, 0xFFFF0000, 0xFFFF00FF,
        0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF};

    CDpiColorWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder);

    QString className() const override { return QStringLiteral("DpiColorWnd"); }
    QString skinFile() const override { return QStringLiteral("DpiColorDialog.xml"); }

    // 0xAARRGGBB.
    QRgb color() const { return color_; }
    void setColor(QRgb color) { color_ = color; }
    void setTopLeft(QPoint topLeft) { topLeft_ = topLeft; }

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    // Palette, preview and edits follow the colour; except shows no edit.
    void showColour(const QLineEdit* except = nullptr);
    void channelEdited(QLineEdit* edit, int shift);

    QRgb color_ = 0xFF000000;
    QPoint topLeft_;
};

// The number at the start of an edit's text, as a C runtime would read it
// (0 when there is none).
int leadingInteger(const QString& text);

}  // namespace velor
