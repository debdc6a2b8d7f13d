// The colour palette as the DPI colour window sees it: the colours it
// reports for clicks and drags on its edges, for keys at their limits, and
// for greys, which have no hue of their own.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "skin/color_palette.h"

namespace velor {
namespace {

// 200 x 110: the field is 200 x 90 (hue across, saturation down), the
// brightness strip the bottom 14 rows; a press in the lower half of the gap
// between them takes the strip. (QTest reads the point 0,0 as the centre.)
class ColorPaletteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        palette.resize(200, 110);
        palette.show();
    }
    QRgb press(QPoint at, QPoint releaseAt) {
        QTest::mousePress(&palette, Qt::LeftButton, {}, at);
        QTest::mouseMove(&palette, releaseAt);
        QTest::mouseRelease(&palette, Qt::LeftButton, {}, releaseAt);
        return released.isEmpty() ? 0 : released.takeLast().at(0).value<QRgb>();
    }
    QRgb key(Qt::Key k) {
        QTest::keyClick(&palette, k);
        return released.isEmpty() ? 0 : released.takeLast().at(0).value<QRgb>();
    }

    ColorPalette palette;
    QSignalSpy changed{&palette, &ColorPalette::colorChanged};
    QSignalSpy released{&palette, &ColorPalette::colorChangedButtonUp};
};

TEST_F(ColorPaletteTest, EdgesOfTheFieldAndTheStripGiveTheFullRange) {
    struct Case {
        QRgb start;
        QPoint press, release;
        QRgb reported;
    };
    const Case cases[] = {
        {0xFF0000FF, {50, 0}, {-40, 0}, 0xFFFF0000},       // dragged out on the left: red
        {0xFF0000FF, {67, 0}, {67, 0}, 0xFF00FF00},        // a third across: green
        {0xFF0000FF, {10, 89}, {10, 89}, 0xFFFFFFFF},      // bottom: no saturation
        {0xFFFF0000, {100, 100}, {0, 100}, 0xFF000000},    // strip, left end: black
        {0xFF800000, {100, 100}, {199, 100}, 0xFFFF0000},  // strip, right end: full
        {0xFF800000, {100, 93}, {199, 93}, 0xFFFF0000},    // the strip's half of the gap
        {0xFF0000FF, {100, 92}, {-40, 92}, 0xFFFFFFFF},    // the field's half, dragged out
        {0xFF0000FF, {100, 0}, {-40, -40}, 0xFFFF0000},    // dragged past the corner
        {0xFFFF0000, {100, 100}, {900, 300}, 0xFFFF0000},  // the strip dragged past its end
    };
    for (const Case& c : cases) {
        palette.setSelectColor(c.start);
        changed.clear();
        EXPECT_EQ(press(c.press, c.release), c.reported) << c.press.x() << "," << c.press.y();
        EXPECT_EQ(palette.selectColor(), c.reported);
        // The drag was reported as it went: press and move.
        ASSERT_EQ(changed.size(), 2);
        EXPECT_EQ(changed.at(1).at(0).value<QRgb>(), c.reported);
    }
}

TEST_F(ColorPaletteTest, KeysStopAtTheirLimitsAndReportEachStep) {
    struct Step {
        Qt::Key key;
        QRgb reported;
    };
    palette.setSelectColor(0xFFFF0000);
    const Step steps[] = {
        {Qt::Key_Left, 0xFFFF0000},      // hue 0 is the lowest
        {Qt::Key_Up, 0xFFFF0000},        // full saturation is the highest
        {Qt::Key_PageUp, 0xFFFF0000},    // full brightness is the highest
        {Qt::Key_PageDown, 0xFFEF0000},  // 255 - 16
        {Qt::Key_PageUp, 0xFFFF0000},   {Qt::Key_Down, 0xFFFF0808},  // saturation 247
        {Qt::Key_Up, 0xFFFF0000},
    };
    for (const Step& s : steps) EXPECT_EQ(key(s.key), s.reported) << s.key;
    for (int i = 0; i < 20; ++i) key(Qt::Key_PageDown);
    EXPECT_EQ(palette.selectColor(), 0xFF000000u);
    EXPECT_EQ(released.size(), 0);  // every step was taken off as it came
    for (int i = 0; i < 80; ++i) key(Qt::Key_Right);
    for (int i = 0; i < 20; ++i) key(Qt::Key_PageUp);
    // Hue 359 at its highest: red with a trace of blue, never past red to orange.
    EXPECT_EQ(qRed(palette.selectColor()), 255);
    EXPECT_EQ(qGreen(palette.selectColor()), 0);
    EXPECT_LE(qBlue(palette.selectColor()), 5);
}

TEST_F(ColorPaletteTest, AGreyKeepsTheHueThatWasChosenBeforeIt) {
    palette.setSelectColor(0xFF00FF00);
    palette.setSelectColor(0xFF808080);
    EXPECT_EQ(palette.selectColor(), 0xFF808080u);
    EXPECT_EQ(key(Qt::Key_PageUp), 0xFF909090u);  // still grey, brighter
    // Saturation back: the grey turns green again, not red.
    const QRgb tinted = key(Qt::Key_Up);
    EXPECT_GT(qGreen(tinted), qRed(tinted));
    EXPECT_EQ(qRed(tinted), qBlue(tinted));
    // Alpha is always opaque, whatever the caller gave.
    palette.setSelectColor(0x00123456);
    EXPECT_EQ(palette.selectColor(), 0xFF123456u);
}

}  // namespace
}  // namespace velor
