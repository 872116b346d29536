// The window's notifier from other threads: reports do not wait and keep their order, boxes run
// on the user-interface thread, and a closing program shows no more boxes.

#include "GraphsFixture.h"

#include "window/WindowNotifier.h"

#include <QThread>

#include <atomic>
#include <thread>

namespace {

class WindowNotifierTest : public ::testing::Test {
protected:
    WindowNotifierTest() {
        Notifier.SetErrorBox([this](const std::string& text) {
            Boxes.push_back(text);
            OnMainThread = OnMainThread && QThread::currentThread() == Application.thread();
        });
        Notifier.SetConfirm([this](const std::string& text) {
            Boxes.push_back(text);
            OnMainThread = OnMainThread && QThread::currentThread() == Application.thread();
            return false;
        });
        Notifier.SetBeep([this] { ++Beeps; });
        Notifier.SetReportSink([this](TReportKind kind, const std::string& text) {
            Reports.emplace_back(kind, text);
            OnMainThread = OnMainThread && QThread::currentThread() == Application.thread();
        });
    }

    QApplication& Application = TestApplication();
    QObject Context;
    TWindowNotifier Notifier{&Context};
    std::vector<std::string> Boxes;
    std::vector<std::pair<TReportKind, std::string>> Reports;
    int Beeps = 0;
    bool OnMainThread = true;
};

}  // namespace

TEST_F(WindowNotifierTest, ReportsAndBeepsFromAnotherThreadArePostedInOrder) {
    EXPECT_EQ(&::Notifier(), &Notifier);
    std::thread reader([] {
        for (int i = 0; i < 100; ++i) ::Notifier().Report(TReportKind::BadLine, std::to_string(i));
        ::Notifier().Beep();
    });
    // The thread ends without this thread serving anything: nothing waited.
    reader.join();
    EXPECT_TRUE(Reports.empty());
    ASSERT_TRUE(ProcessEventsUntil([this] { return Reports.size() == 100 && Beeps == 1; }));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(Reports[static_cast<std::size_t>(i)].second, std::to_string(i));
    EXPECT_TRUE(OnMainThread);
}

TEST_F(WindowNotifierTest, BoxesFromAnotherThreadRunOnTheUserInterfaceThreadAndWaitForTheAnswer) {
    std::atomic<int> answered{-1};
    std::thread worker([&answered] {
        ::Notifier().ErrorBox("Port failed");
        answered = ::Notifier().Confirm("Are you sure?") ? 1 : 0;
    });
    ASSERT_TRUE(ProcessEventsUntil([&answered] { return answered >= 0; }));
    worker.join();
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(Boxes, (std::vector<std::string>{"Port failed", "Are you sure?"}));
    EXPECT_TRUE(OnMainThread);
}

TEST_F(WindowNotifierTest, ClosingShowsNoBoxAndAnswersYes) {
    Notifier.SetClosing(true);
    Notifier.ErrorBox("Could not open COM port: COM1");
    EXPECT_TRUE(Notifier.Confirm("Are you sure?"));
    EXPECT_TRUE(Boxes.empty());
}
