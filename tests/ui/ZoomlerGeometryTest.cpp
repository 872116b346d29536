#include "ui/ZoomlerGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ZoomlerGeometry, RoundsHalvesToEvenAndStaysDefinedFarOffScreen) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(51.556), 52);
    EXPECT_EQ(RoundHalfEven(-2.4), -2);
    EXPECT_EQ(RoundHalfEven(1e300), 1000000);
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), -1000000);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(ZoomlerGeometry, MapsTheWindowOntoTheTrackBetweenTheArrows) {
    const TZoomlerValues fresh;  // 1..100, window 30..70
    EXPECT_EQ(ComputeThumbPixels(fresh, 200, {}), (TThumbPixels{64, 135}));
    EXPECT_EQ(ComputeThumbPixels({1, 100, 1, 100}, 200, {}), (TThumbPixels{12, 188}));
    EXPECT_EQ(ComputeThumbPixels({-5, 5, -5, 5}, 600, {}), (TThumbPixels{12, 588}));
}

TEST(ZoomlerGeometry, NarrowWindowIsDrawnThirtyPixelsLongPushingTheEndThatMoved) {
    const TThumbPixels before{64, 135};
    // Only the finish end moved (towards the start): it is pushed out again.
    const TThumbPixels finishMoved = ComputeThumbPixels({1, 100, 30, 31}, 200, before);
    EXPECT_EQ(finishMoved, (TThumbPixels{64, 94}));
    // Only the start end moved: it is the one pushed back.
    const TThumbPixels startMoved = ComputeThumbPixels({1, 100, 69, 70}, 200, before);
    EXPECT_EQ(startMoved, (TThumbPixels{105, 135}));
    // Both ends moved inwards alike, so the drawn thumb still holds the window centred: it stays.
    const TThumbPixels same = ComputeThumbPixels({1, 100, 40, 41}, 200, {67, 97});
    EXPECT_EQ(same, (TThumbPixels{67, 97}));  // new ends 81 and 83
    // Drawing again without a change keeps the picture.
    EXPECT_EQ(ComputeThumbPixels({1, 100, 30, 31}, 200, finishMoved), finishMoved);
    EXPECT_EQ(ComputeThumbPixels({1, 100, 69, 70}, 200, startMoved), startMoved);
}

TEST(ZoomlerGeometry, CannotMapEqualOrNonFiniteBoundsOrATooShortControl) {
    EXPECT_TRUE(ZoomlerUsable({}, 200));
    EXPECT_TRUE(ZoomlerUsable({}, 25));
    EXPECT_FALSE(ZoomlerUsable({}, 24));
    EXPECT_FALSE(ZoomlerUsable({}, 10));
    EXPECT_FALSE(ZoomlerUsable({5, 5, 5, 5}, 200));
    EXPECT_FALSE(ZoomlerUsable({6, 5, 5, 6}, 200));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(ZoomlerUsable({0, inf, 1, 2}, 200));
    EXPECT_FALSE(ZoomlerUsable({0, 10, std::nan(""), 2}, 200));
    EXPECT_FALSE(ZoomlerUsable({-1.7e308, 1.7e308, 0, 1}, 200));  // width overflows
}

TEST(ZoomlerGeometry, ClassifiesPointsWithInclusiveStartAndExclusiveEndBounds) {
    const TThumbPixels thumb{64, 135};
    const auto zone = [&](int along, int across = 7) {
        return ZoomlerZoneAt(along, across, 200, 14, thumb);
    };
    struct TCase {
        int From, UpTo;
        TZoomlerZone Zone;
    };
    for (const TCase& c : {TCase{1, 11, TZoomlerZone::BackArrow},
                           TCase{12, 63, TZoomlerZone::TrackBefore},
                           TCase{65, 75, TZoomlerZone::StartGrip},
                           TCase{76, 123, TZoomlerZone::ThumbBody},
                           TCase{124, 134, TZoomlerZone::FinishGrip},
                           TCase{136, 188, TZoomlerZone::TrackAfter},
                           TCase{189, 199, TZoomlerZone::ForwardArrow}}) {
        EXPECT_EQ(zone(c.From), c.Zone) << c.From;
        EXPECT_EQ(zone(c.UpTo - 1), c.Zone) << c.UpTo - 1;
    }
    // The border and the one-pixel seams between the parts hit nothing.
    for (const int seam : {0, 11, 63, 64, 75, 123, 134, 135, 188, 199, -3, 250})
        EXPECT_EQ(zone(seam), TZoomlerZone::None) << seam;
    EXPECT_EQ(zone(100, 2), TZoomlerZone::None);
    EXPECT_EQ(zone(100, 3), TZoomlerZone::ThumbBody);
    EXPECT_EQ(zone(100, 10), TZoomlerZone::ThumbBody);
    EXPECT_EQ(zone(100, 11), TZoomlerZone::None);
}
