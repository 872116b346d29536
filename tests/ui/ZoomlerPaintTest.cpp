// The painted control, checked at the pixels that tell its parts apart.

#include "ZoomlerFixture.h"

#include <QPixmap>

namespace {
const QRgb Face = qRgb(192, 192, 192);
const QRgb Light = qRgb(255, 255, 255);
const QRgb Track = qRgb(224, 224, 224);
const QRgb Mark = qRgb(128, 128, 128);
}  // namespace

using ZoomlerPaint = ZoomlerBothTest;
ZOOMLER_BOTH_ORIENTATIONS(ZoomlerPaint);

TEST_P(ZoomlerPaint, DrawsFrameTrackThumbGripsAndArrows) {
    const QRgb dark = Zoomler.palette().color(QPalette::Shadow).rgb();
    ASSERT_NE(dark, Face);
    ASSERT_NE(dark, Mark);
    const QImage image = Zoomler.grab().toImage();
    ASSERT_EQ(image.size(), Zoomler.size());
    const auto pixel = [&](int along, int across) { return PixelAt(image, along, across); };
    const int s = 64, f = 135;

    // Sunken frame: dark at the top and left, light at the bottom and right.
    EXPECT_EQ(image.pixel(0, 0), dark);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), Light);
    EXPECT_EQ(pixel(100, 0), dark);
    EXPECT_EQ(pixel(100, 13), Light);
    EXPECT_EQ(pixel(100, 1), Face);

    EXPECT_EQ(pixel(30, 7), Track);
    EXPECT_EQ(pixel(160, 2), Track);
    EXPECT_EQ(pixel(160, 11), Track);

    // Raised thumb with a grip line near each end and a sunken middle.
    EXPECT_EQ(pixel(s, 7), Light);
    EXPECT_EQ(pixel(f, 7), dark);
    EXPECT_EQ(pixel(s + 3, 2), Light);
    EXPECT_EQ(pixel(s + 3, 11), dark);
    EXPECT_EQ(pixel(s + 2, 7), Face);
    EXPECT_EQ(pixel(s + 5, 7), Mark);
    EXPECT_EQ(pixel(f - 5, 7), Mark);
    EXPECT_EQ(pixel(f - 5, 2), Light);  // the grip line stays inside the thumb's edges
    EXPECT_EQ(pixel(s + 10, 7), dark);
    EXPECT_EQ(pixel(f - 10, 7), Light);
    EXPECT_EQ(pixel(100, 3), dark);
    EXPECT_EQ(pixel(100, 10), Light);
    EXPECT_EQ(pixel(100, 7), Face);

    // Raised arrow buttons with grey triangles pointing outwards.
    EXPECT_EQ(pixel(1, 7), Light);
    EXPECT_EQ(pixel(11, 7), dark);
    EXPECT_EQ(pixel(10, 7), Face);
    EXPECT_EQ(pixel(6, 7), Mark);
    EXPECT_EQ(pixel(3, 7), Mark);  // near the tip
    EXPECT_EQ(pixel(3, 4), Face);  // beside the tip
    EXPECT_EQ(pixel(189, 7), Light);
    EXPECT_EQ(pixel(198, 7), dark);
    EXPECT_EQ(pixel(194, 7), Mark);
    EXPECT_EQ(pixel(196, 4), Face);
}

TEST_P(ZoomlerPaint, PressedArrowDrawsSunkenUntilTheRelease) {
    const QRgb dark = Zoomler.palette().color(QPalette::Shadow).rgb();
    Press(Zoomler, At(195));
    QImage image = Zoomler.grab().toImage();
    EXPECT_EQ(PixelAt(image, 189, 7), dark);
    EXPECT_EQ(PixelAt(image, 198, 7), Light);
    EXPECT_EQ(PixelAt(image, 1, 7), Light);  // the other arrow stays raised
    Release(Zoomler, At(195));
    image = Zoomler.grab().toImage();
    EXPECT_EQ(PixelAt(image, 189, 7), Light);
}

TEST_P(ZoomlerPaint, NarrowWindowIsStillDrawnThirtyPixelsLong) {
    const QRgb dark = Zoomler.palette().color(QPalette::Shadow).rgb();
    Zoomler.SetRangeAndWindow(1, 100, 60, 60.5);  // its ends fall on 117 and 118
    const QImage image = Zoomler.grab().toImage();
    const TThumbPixels thumb = Zoomler.ThumbPixels();
    EXPECT_EQ(thumb.Finish - thumb.Start, 30);
    EXPECT_EQ(PixelAt(image, thumb.Start, 7), Light);
    EXPECT_EQ(PixelAt(image, thumb.Finish, 7), dark);
    EXPECT_EQ(PixelAt(image, thumb.Start - 1, 7), Track);
    EXPECT_EQ(PixelAt(image, thumb.Finish + 1, 7), Track);
    // Both grips and a piece of body stay within reach.
    EXPECT_EQ(Zoomler.ZoneAt(At(thumb.Start + 5)), TZoomlerZone::StartGrip);
    EXPECT_EQ(Zoomler.ZoneAt(At(thumb.Start + 15)), TZoomlerZone::ThumbBody);
    EXPECT_EQ(Zoomler.ZoneAt(At(thumb.Finish - 5)), TZoomlerZone::FinishGrip);
}

TEST_P(ZoomlerPaint, EqualBoundsDrawOnlyTheEmptyTrack) {
    Zoomler.SetRangeAndWindow(7, 7, 7, 7);
    const QImage image = Zoomler.grab().toImage();
    EXPECT_EQ(image.pixel(0, 0), Zoomler.palette().color(QPalette::Shadow).rgb());
    for (const int along : {3, 6, 64, 100, 135, 194, 197})
        EXPECT_EQ(PixelAt(image, along, 7), Track) << along;
}
