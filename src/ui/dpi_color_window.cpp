#include "ui/dpi_color_window.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

#include "skin/color_palette.h"

namespace velor {

namespace {
constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 0;
}  // namespace

int leadingInteger(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == '-' || t[end] == '+')) ++end;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
    bool ok = false;
    const long long v = t.left(end).toLongLong(&ok);
    if (!ok) return 0;
    return static_cast<int>(std::clamp<long long>(v, -1000000, 1000000));
}

CDpiColorWnd::CDpiColorWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder)
    : SkinnedDialog(parent, texts, skinFolder) {}

void CDpiColorWnd::initWindow() {
    setGeometry(QRect(topLeft_, QSize(250, 200)));
    for (std::size_t k = 0; k < kPresets.size(); ++k) {
        if (QWidget* preset = skin().findControl(QStringLiteral("mouse_dpi_color_%1").arg(k + 1)))
            preset->setStyleSheet(QStringLiteral("QPushButton { background-color: #%1; }")
                                      .arg(kPresets[k] & 0xFFFFFF, 6, 16, QLatin1Char('0')));
    }
    showColour();
}

void CDpiColorWnd::showColour(const QLineEdit* except) {
    if (auto* palette = skin().find<ColorPalette>("ColorPallet")) palette->setSelectColor(color_);
    if (QWidget* preview = skin().findControl("color_show_control"))
        preview->setStyleSheet(QStringLiteral("background-color: #%1; border-radius: 4px;")
                                   .arg(color_ & 0xFFFFFF, 6, 16, QLatin1Char('0')));
    const std::pair<const char*, int> channels[] = {
        {"r_edit", kRedShift}, {"g_edit", kGreenShift}, {"b_edit", kBlueShift}};
    for (const auto& [name, shift] : channels) {
        auto* edit = skin().find<QLineEdit>(name);
        if (edit == nullptr || edit == except) continue;
        const QSignalBlocker quiet(edit);
        edit->setText(QString::number((color_ >> shift) & 0xFF));
    }
}

void CDpiColorWnd::channelEdited(QLineEdit* edit, int shift) {
    const int typed = leadingInteger(edit->text());
    const int value = std::clamp(typed, 0, 255);
    // Only a clamped value is written back; "abc" stays as typed and counts as 0.
    if (value != typed) {
        const QSignalBlocker quiet(edit);
        edit->setText(QString::number(value));
    }
    color_ = (color_ & ~(0xFFu << shift)) | (static_cast<QRgb>(value) << shift) | 0xFF000000u;
    showColour(edit);
}

void CDpiColorWnd::onNotify(const Notification& n) {
    if (n.type == "click") {
        if (n.sender == "confirm_btn") return closeWith(1);
        if (n.sender == "cancel_btn") return closeWith(0);
        if (n.sender.startsWith("mouse_dpi_color_")) {
            const int k = n.sender.mid(16).toInt();
            if (k >= 1 && k <= 16) {
                color_ = kPresets[static_cast<std::size_t>(k - 1)];
                showColour();
            }
        }
    } else if (n.type == "colorchanged" || n.type == "colorchangedbuttonup") {
        if (auto* palette = qobject_cast<ColorPalette*>(n.control)) {
            color_ = palette->selectColor();
            showColour();
        }
    } else if (n.type == "textchanged") {
        auto* edit = qobject_cast<QLineEdit*>(n.control);
        if (n.sender == "r_edit") channelEdited(edit, kRedShift);
        if (n.sender == "g_edit") channelEdited(edit, kGreenShift);
        if (n.sender == "b_edit") channelEdited(edit, kBlueShift);
    }
}

}  // namespace velor
