#pragma once
// A fresh zoom range control (200 x 14, or 14 x 200 when vertical) with its three signals
// counted, and points given along and across its axis so that one test serves both orientations.

#include "MouseInput.h"
#include "TestApplication.h"
#include "ui/Zoomler.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

struct TSignalCounts {
    int Scrolling = 0;
    int Zooming = 0;
    int Changed = 0;
};

class TZoomlerUnderTest {
protected:
    explicit TZoomlerUnderTest(TZoomler::TOrientation orientation) : FOrientation(orientation) {
        if (Vertical()) {
            Zoomler.SetOrientation(TZoomler::TOrientation::Vertical);
            Zoomler.resize(14, 200);
        }
        Count(Zoomler, Counts);
    }

    static void Count(TZoomler& zoomler, TSignalCounts& counts) {
        QObject::connect(&zoomler, &TZoomler::OnScrolling, [&](TZoomler* sender) {
            EXPECT_EQ(sender, &zoomler);
            ++counts.Scrolling;
        });
        QObject::connect(&zoomler, &TZoomler::OnZooming, [&](TZoomler* sender) {
            EXPECT_EQ(sender, &zoomler);
            ++counts.Zooming;
        });
        QObject::connect(&zoomler, &TZoomler::OnChanged, [&](TZoomler* sender) {
            EXPECT_EQ(sender, &zoomler);
            ++counts.Changed;
        });
    }

    bool Vertical() const { return FOrientation == TZoomler::TOrientation::Vertical; }
    QPoint At(int along, int across = 7) const {
        return Vertical() ? QPoint(across, along) : QPoint(along, across);
    }
    QRgb PixelAt(const QImage& image, int along, int across) const {
        return image.pixel(At(along, across));
    }
    void ExpectWindow(double start, double finish) const {
        EXPECT_NEAR(Zoomler.Start(), start, 1e-9);
        EXPECT_NEAR(Zoomler.Finish(), finish, 1e-9);
    }

    TZoomler::TOrientation FOrientation;
    QApplication& Application = TestApplication();
    TZoomler Zoomler;
    TSignalCounts Counts;
};

// Tests of one horizontal control.
class ZoomlerTest : public TZoomlerUnderTest, public ::testing::Test {
protected:
    ZoomlerTest() : TZoomlerUnderTest(TZoomler::TOrientation::Horizontal) {}
};

// Tests run for both orientations.
class ZoomlerBothTest : public TZoomlerUnderTest,
                        public ::testing::TestWithParam<TZoomler::TOrientation> {
protected:
    ZoomlerBothTest() : TZoomlerUnderTest(GetParam()) {}
};

inline std::string OrientationName(const ::testing::TestParamInfo<TZoomler::TOrientation>& info) {
    return info.param == TZoomler::TOrientation::Horizontal ? "Horizontal" : "Vertical";
}

#define ZOOMLER_BOTH_ORIENTATIONS(suite)                                                  \
    INSTANTIATE_TEST_SUITE_P(Orientations, suite,                                                     \
                             ::testing::Values(TZoomler::TOrientation::Horizontal,        \
                                               TZoomler::TOrientation::Vertical),         \
                             OrientationName)
