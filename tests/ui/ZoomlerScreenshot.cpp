// Writes docs/zoomler.png, a close-up of the zoom range control: horizontal and vertical, at
// rest, with a narrow window, and with an arrow held down; enlarged four times, pixel for pixel.
// Disabled in the suite; run it with
//   build/tests/test_ui --gtest_also_run_disabled_tests --gtest_filter='*ZoomlerScreenshot*'

#include "MouseInput.h"
#include "TestApplication.h"
#include "ui/Zoomler.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

QImage Shot(TZoomler::TOrientation orientation, double start, double finish, int pressAlong = -1) {
    TZoomler zoomler;
    const bool vertical = orientation == TZoomler::TOrientation::Vertical;
    zoomler.SetOrientation(orientation);
    zoomler.resize(vertical ? QSize(14, 160) : QSize(200, 14));
    zoomler.SetRangeAndWindow(1, 100, start, finish);
    zoomler.SetStep(1);
    if (pressAlong >= 0)
        Press(zoomler, vertical ? QPoint(7, pressAlong) : QPoint(pressAlong, 7));
    return zoomler.grab().toImage();
}

}  // namespace

TEST(DISABLED_ZoomlerScreenshot, WritesTheDocsPicture) {
    TestApplication();
    using O = TZoomler::TOrientation;
    const QImage shots[] = {Shot(O::Horizontal, 30, 70), Shot(O::Horizontal, 60, 61),
                            Shot(O::Horizontal, 10, 90, 195), Shot(O::Vertical, 30, 70),
                            Shot(O::Vertical, 60, 61), Shot(O::Vertical, 10, 90, 5)};
    constexpr int Gap = 6;
    QImage sheet(Gap + 200 + Gap + 3 * (14 + Gap), Gap + 160 + Gap, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    {
        QPainter painter(&sheet);
        for (int i = 0; i < 3; ++i)
            painter.drawImage(Gap, Gap + i * (14 + Gap), shots[i]);
        for (int i = 0; i < 3; ++i)
            painter.drawImage(Gap + 200 + Gap + i * (14 + Gap), Gap, shots[3 + i]);
    }
    const QImage enlarged =
        sheet.scaled(sheet.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/zoomler.png");
    ASSERT_TRUE(enlarged.save(path)) << path.toStdString();
}
