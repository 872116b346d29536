// What the user's mouse does to the window [Start, Finish]: jumps, drags, arrows, double clicks,
// and the signals each reports.

#include "ZoomlerFixture.h"

#include <QCursor>

using ZoomlerMouse = ZoomlerBothTest;
ZOOMLER_BOTH_ORIENTATIONS(ZoomlerMouse);

TEST_P(ZoomlerMouse, ClickOnTheFreeTrackJumpsTowardsThePointerOnce) {
    ASSERT_EQ(Zoomler.ThumbPixels(), (TThumbPixels{64, 135}));
    Press(Zoomler, At(38));
    // The near end lands where a map from the arrow's inner edge (Min) to the thumb puts it.
    const double back = 29.0 * 26 / 53;
    ExpectWindow(30 - back, 70 - back);
    EXPECT_NEAR(Zoomler.Start(), 15.7736, 1e-4);
    EXPECT_NEAR(Zoomler.Step(), 26.6667, 1e-4);
    Release(Zoomler, At(38));
    EXPECT_EQ(Counts.Changed, 1);
    EXPECT_FALSE(Zoomler.IsRepeating());

    Zoomler.SetRangeAndWindow(1, 100, 30, 70);
    Press(Zoomler, At(160));
    const double forward = 30.0 * 25 / 54;
    ExpectWindow(30 + forward, 70 + forward);
    EXPECT_NEAR(Zoomler.Finish(), 83.8889, 1e-4);
    EXPECT_NEAR(Zoomler.Step(), 26.6667, 1e-4);
    Release(Zoomler, At(160));
    EXPECT_EQ(Counts.Changed, 2);
    EXPECT_EQ(Counts.Scrolling + Counts.Zooming, 0);
}

TEST_P(ZoomlerMouse, DraggingTheBodyScrollsLiveAndReportsTheEndOnce) {
    Press(Zoomler, At(100));
    EXPECT_EQ(Zoomler.DragMode(), TZoomler::TDragMode::WholeThumb);
    Move(Zoomler, At(110));
    ExpectWindow(35.625, 75.625);  // 10 pixels at 176 / 99 pixels per unit
    EXPECT_EQ(Counts.Scrolling, 1);
    EXPECT_EQ(Counts.Changed, 0);
    Move(Zoomler, At(110, 12));  // across the axis only: not a move of the thumb
    EXPECT_EQ(Counts.Scrolling, 1);

    // Past the end of the range, even outside the control: held at Max, width kept.
    Move(Zoomler, At(400, 30));
    ExpectWindow(60, 100);
    // Moving back acts at once, without the pointer returning to the thumb.
    Move(Zoomler, At(390, 30));
    ExpectWindow(60 - 5.625, 100 - 5.625);
    Move(Zoomler, At(-300));
    ExpectWindow(1, 41);
    EXPECT_EQ(Counts.Scrolling, 4);
    EXPECT_EQ(Counts.Zooming, 0);

    Release(Zoomler, At(-300));
    EXPECT_EQ(Counts.Changed, 1);
    EXPECT_EQ(Zoomler.DragMode(), TZoomler::TDragMode::None);
    Move(Zoomler, At(100));  // a move without a drag changes nothing
    ExpectWindow(1, 41);
    EXPECT_EQ(Counts.Scrolling, 4);
}

TEST_P(ZoomlerMouse, DraggingAGripZoomsOneEndUntilItMeetsTheOther) {
    Press(Zoomler, At(70));
    EXPECT_EQ(Zoomler.DragMode(), TZoomler::TDragMode::StartEnd);
    Move(Zoomler, At(300));
    ExpectWindow(70, 70);
    EXPECT_DOUBLE_EQ(Zoomler.Step(), 0);
    Move(Zoomler, At(290));
    ExpectWindow(70 - 5.625, 70);
    Release(Zoomler, At(290));
    EXPECT_EQ(Counts.Zooming, 2);
    EXPECT_EQ(Counts.Changed, 1);

    // One unit per pixel: leave a window 10 units wide with the finish grip.
    Zoomler.SetRangeAndWindow(0, 176, 0, 176);
    const TThumbPixels thumb = Zoomler.ThumbPixels();
    ASSERT_EQ(thumb, (TThumbPixels{12, 188}));
    Press(Zoomler, At(180));
    EXPECT_EQ(Zoomler.DragMode(), TZoomler::TDragMode::FinishEnd);
    Move(Zoomler, At(14));
    ExpectWindow(0, 10);
    EXPECT_NEAR(Zoomler.Step(), 20.0 / 3, 1e-12);
    Move(Zoomler, At(-50));
    ExpectWindow(0, 0);
    Move(Zoomler, At(900));
    ExpectWindow(0, 176);
    Release(Zoomler, At(900));
    EXPECT_EQ(Counts.Zooming, 5);
    EXPECT_EQ(Counts.Changed, 2);
    EXPECT_EQ(Counts.Scrolling, 0);
}

TEST_P(ZoomlerMouse, ArrowStepsAtOnceAndSinksUntilTheRelease) {
    Press(Zoomler, At(5));
    ExpectWindow(29, 69);
    EXPECT_EQ(Counts.Changed, 1);
    EXPECT_TRUE(Zoomler.IsRepeating());
    EXPECT_EQ(Zoomler.RepeatTimerInterval(), 500);
    Release(Zoomler, At(5));
    EXPECT_FALSE(Zoomler.IsRepeating());
    EXPECT_EQ(Counts.Changed, 1);  // nothing more at the release

    // At the end of the range the step is cut to what is left, and still reported.
    Zoomler.SetRangeAndWindow(1, 100, 30, 99.5);
    Zoomler.SetStep(1);
    Press(Zoomler, At(195), Qt::RightButton);  // any button counts
    ExpectWindow(30.5, 100);
    Release(Zoomler, At(195), Qt::RightButton);
    Press(Zoomler, At(195));
    ExpectWindow(30.5, 100);
    Release(Zoomler, At(195));
    EXPECT_EQ(Counts.Changed, 3);
}

TEST_P(ZoomlerMouse, DoubleClickResetsToTheWholeRangeOnlyWhenEnabled) {
    // Off: exactly what its two presses do (two arrow steps).
    DoubleClick(Zoomler, At(5));
    ExpectWindow(28, 68);
    EXPECT_EQ(Counts.Changed, 2);
    EXPECT_FALSE(Zoomler.IsRepeating());

    Zoomler.SetDblClkEnable(true);
    DoubleClick(Zoomler, At(5));
    ExpectWindow(1, 100);
    EXPECT_EQ(Counts.Changed, 5);  // two steps and the reset
    EXPECT_EQ(Zoomler.ThumbPixels(), (TThumbPixels{12, 188}));
}

TEST_P(ZoomlerMouse, CursorShowsWhatADragWouldDo) {
    const Qt::CursorShape resize = Vertical() ? Qt::SizeVerCursor : Qt::SizeHorCursor;
    Move(Zoomler, At(70));
    EXPECT_EQ(Zoomler.cursor().shape(), resize);
    Move(Zoomler, At(130));
    EXPECT_EQ(Zoomler.cursor().shape(), resize);
    Move(Zoomler, At(100));
    EXPECT_EQ(Zoomler.cursor().shape(), Qt::PointingHandCursor);
    Move(Zoomler, At(30));
    EXPECT_EQ(Zoomler.cursor().shape(), Qt::ArrowCursor);
}

TEST_P(ZoomlerMouse, WithoutARangeOrRoomTheMouseIsIgnored) {
    Zoomler.SetDblClkEnable(true);
    const auto everyAction = [this] {
        for (const int along : {5, 38, 70, 100, 130, 160, 195, 10, 15, 20}) {
            Press(Zoomler, At(along));
            Move(Zoomler, At(along + 7));
            Release(Zoomler, At(along + 7));
            DoubleClick(Zoomler, At(along));
        }
    };
    Zoomler.SetRangeAndWindow(5, 5, 5, 5);
    everyAction();
    ExpectWindow(5, 5);

    Zoomler.SetRangeAndWindow(1, 100, 30, 70);
    Vertical() ? Zoomler.resize(14, 24) : Zoomler.resize(24, 14);
    everyAction();
    ExpectWindow(30, 70);
    EXPECT_FALSE(Zoomler.IsRepeating());
    EXPECT_EQ(Counts.Changed + Counts.Scrolling + Counts.Zooming, 0);
    // Nothing to draw but the empty track, and nothing divides by zero.
    EXPECT_FALSE(Zoomler.grab().isNull());
}

// --- One horizontal control -------------------------------------------------------------------

TEST_F(ZoomlerTest, StartsAsTheMainWindowExpects) {
    EXPECT_EQ(Zoomler.size(), QSize(200, 14));
    EXPECT_EQ(Zoomler.Orientation(), TZoomler::TOrientation::Horizontal);
    EXPECT_EQ(Zoomler.property("Min").toDouble(), 1);
    EXPECT_EQ(Zoomler.property("Max").toDouble(), 100);
    EXPECT_EQ(Zoomler.property("Start").toDouble(), 30);
    EXPECT_EQ(Zoomler.property("Finish").toDouble(), 70);
    EXPECT_EQ(Zoomler.property("Step").toDouble(), 1);
    EXPECT_TRUE(Zoomler.property("SetStepAuto").toBool());
    EXPECT_FALSE(Zoomler.property("DblClkEnable").toBool());
    EXPECT_TRUE(Zoomler.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_FALSE(Zoomler.IsRepeating());

    ASSERT_TRUE(Zoomler.setProperty("Orientation",
                                    QVariant::fromValue(TZoomler::TOrientation::Vertical)));
    EXPECT_EQ(Zoomler.Orientation(), TZoomler::TOrientation::Vertical);
    EXPECT_EQ(Zoomler.size(), QSize(200, 14));  // the size is the owner's business
}

TEST_F(ZoomlerTest, PropertyWritesKeepTheBoundsApartAndReportNothing) {
    Zoomler.SetSetStepAuto(false);
    Zoomler.SetStart(80);
    EXPECT_EQ(Zoomler.Start(), 69);  // Finish - Step
    Zoomler.SetStart(-5);
    EXPECT_EQ(Zoomler.Start(), 1);
    Zoomler.SetFinish(0);
    EXPECT_EQ(Zoomler.Finish(), 2);  // Start + Step
    Zoomler.SetFinish(500);
    EXPECT_EQ(Zoomler.Finish(), 100);
    Zoomler.SetMin(150);
    EXPECT_EQ(Zoomler.Min(), 99);  // Max - Step
    Zoomler.SetMax(-3);
    EXPECT_EQ(Zoomler.Max(), 100);  // Min + Step
    Zoomler.SetMin(1);
    Zoomler.SetMax(50);
    EXPECT_EQ(Zoomler.Max(), 50);
    EXPECT_EQ(Zoomler.Finish(), 100);  // the window is the owner's to fit

    // A step wider than the room left never pushes the window out of the range.
    Zoomler.SetRangeAndWindow(1, 100, 1, 10);
    Zoomler.SetStep(50);
    Zoomler.SetStart(20);
    EXPECT_EQ(Zoomler.Start(), 1);
    Zoomler.SetRangeAndWindow(1, 100, 95, 100);
    Zoomler.SetFinish(0);
    EXPECT_EQ(Zoomler.Finish(), 100);

    // With the automatic step on, each change of the window sets Step to two thirds of it.
    Zoomler.SetSetStepAuto(true);
    Zoomler.SetRangeAndWindow(0, 10, -5, 20);  // stored as given
    EXPECT_EQ(Zoomler.Start(), -5);
    EXPECT_EQ(Zoomler.Finish(), 20);
    EXPECT_NEAR(Zoomler.Step(), 50.0 / 3, 1e-12);
    Zoomler.SetStart(5);
    EXPECT_NEAR(Zoomler.Step(), 10, 1e-12);
    EXPECT_EQ(Counts.Changed + Counts.Scrolling + Counts.Zooming, 0);
}

TEST_F(ZoomlerTest, ObserverOfChangesOnlyHearsOfADragAtTheRelease) {
    TZoomler timeZoomler;
    int changed = 0;
    QObject::connect(&timeZoomler, &TZoomler::OnChanged, [&] { ++changed; });
    Press(timeZoomler, {100, 7});
    for (int x = 101; x < 140; ++x)
        Move(timeZoomler, {x, 7});
    EXPECT_EQ(changed, 0);
    EXPECT_GT(timeZoomler.Start(), 30);
    Release(timeZoomler, {140, 7});
    EXPECT_EQ(changed, 1);
}
