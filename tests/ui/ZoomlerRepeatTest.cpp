// A held arrow button repeats on the event loop's timer: first after 500 ms, then every 50 ms,
// until the release. These tests wait for real ticks and check only lower bounds of time.

#include "ZoomlerFixture.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>
#include <vector>

namespace {

// Runs the event loop until the condition holds or five seconds have passed.
bool RunUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void RunFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

}  // namespace

TEST_F(ZoomlerTest, HeldArrowRepeatsAfterHalfASecondThenEveryFiftyMillisecondsUntilRelease) {
    Zoomler.SetSetStepAuto(false);
    Zoomler.SetRangeAndWindow(1, 100, 4, 44);
    QElapsedTimer clock;
    std::vector<qint64> changedAt;
    QObject::connect(&Zoomler, &TZoomler::OnChanged, [&] { changedAt.push_back(clock.elapsed()); });

    clock.start();
    Press(Zoomler, {5, 7});
    ExpectWindow(3, 43);
    ASSERT_TRUE(RunUntil([&] { return changedAt.size() >= 7; }));
    // A precise timer never fires early.
    EXPECT_GE(changedAt[1] - changedAt[0], 499);
    for (std::size_t i = 2; i < changedAt.size(); ++i)
        EXPECT_GE(changedAt[i] - changedAt[i - 1], 49) << i;
    EXPECT_EQ(Zoomler.RepeatTimerInterval(), 50);
    // Stopped at Min, but every repetition is still reported.
    ExpectWindow(1, 41);

    Release(Zoomler, {5, 7});
    const std::size_t atRelease = changedAt.size();
    RunFor(150);
    EXPECT_EQ(changedAt.size(), atRelease);
    EXPECT_FALSE(Zoomler.IsRepeating());
}

TEST_F(ZoomlerTest, RepetitionKeepsThePressedPointWhenThePointerLeavesTheArrow) {
    Zoomler.SetSetStepAuto(false);
    Press(Zoomler, {195, 7});
    Move(Zoomler, {100, 7});
    ASSERT_TRUE(RunUntil([&] { return Counts.Changed >= 3; }));
    Release(Zoomler, {100, 7});
    EXPECT_NEAR(Zoomler.Start(), 30 + Counts.Changed, 1e-9);
    EXPECT_EQ(Counts.Scrolling, 0);
}

// A control that is hidden or disabled gets no release; its press ends there instead, or a held
// arrow would go on stepping unseen.
TEST_F(ZoomlerTest, HidingOrDisablingEndsAHeldArrowAndReportsADrag) {
    Zoomler.show();
    Press(Zoomler, {5, 7});
    Zoomler.hide();
    EXPECT_FALSE(Zoomler.IsRepeating());
    RunFor(600);
    EXPECT_EQ(Counts.Changed, 1);

    Zoomler.show();
    Press(Zoomler, {100, 7});
    Move(Zoomler, {110, 7});
    Zoomler.setEnabled(false);
    EXPECT_EQ(Zoomler.DragMode(), TZoomler::TDragMode::None);
    EXPECT_EQ(Counts.Changed, 2);
}
