#include "LinkHarness.h"

#include <QThread>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// The processing thread alone, fed by the test as the reader would feed it.
class ProcessingThreadTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }

    void Start(int semaphoreMaximum = 1000) {
        Semaphore = std::make_unique<TPacketSemaphore>(0, semaphoreMaximum);
        Processing = std::make_unique<TProcessingThread>(*Semaphore, Handler);
        Processing->Start();
    }
    void Queue(int index) {
        Processing->PacketQueue().Append(std::make_unique<TLogicalPacket>(SampleLine(index)));
        Semaphore->Release(1);
    }
    std::vector<std::string> Lines(int first, int count) {
        std::vector<std::string> lines;
        for (int i = first; i < first + count; ++i) lines.push_back(SampleLine(i));
        return lines;
    }
    void StopAndWait() {
        Processing->RequestStop();
        ASSERT_TRUE(WaitServingHandOffs(*Processing, 20000));
    }

    TRecordingNotifier Notifications;
    TRecordingHandler Handler;
    std::unique_ptr<TPacketSemaphore> Semaphore;
    std::unique_ptr<TProcessingThread> Processing;
};

}  // namespace

TEST(PacketSemaphore, CountsUpToItsMaximumAndRefusesBeyond) {
    TPacketSemaphore semaphore(0, 2);
    EXPECT_FALSE(semaphore.WaitFor(10));
    EXPECT_TRUE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release(2));
    EXPECT_EQ(semaphore.Count(), 1);
    EXPECT_TRUE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release());
    EXPECT_EQ(semaphore.Count(), 2);
    semaphore.Wait();
    EXPECT_TRUE(semaphore.WaitFor(0));
    EXPECT_EQ(semaphore.Count(), 0);

    std::thread waiter([&] { semaphore.Wait(); });
    Pause(30);
    semaphore.Release();
    waiter.join();
    EXPECT_EQ(semaphore.Count(), 0);
    EXPECT_THROW(TPacketSemaphore(3, 2), std::invalid_argument);
}

TEST_F(ProcessingThreadTest, StopHandsOverEveryQueuedPacketInOrder) {
    Start();
    // Nothing is served while these are queued, so all three wait for the stop.
    for (int i = 0; i < 3; ++i) Queue(i);
    StopAndWait();
    EXPECT_EQ(Handler.Lines, Lines(0, 3));
    EXPECT_TRUE(Processing->PacketQueue().Empty());
    EXPECT_EQ(Processing->PacketsHandled(), 3u);
    EXPECT_TRUE(Notifications.Reports().empty());

    // With an empty queue the stop's own release ends it.
    Processing.reset();
    Start();
    StopAndWait();
    EXPECT_TRUE(Processing->Failure().empty());
}

TEST_F(ProcessingThreadTest, HandlerRunsOnTheMainThreadWithTheCurrentPacketSet) {
    QThread* mainThread = QThread::currentThread();
    bool onMainThread = true;
    bool currentMatches = true;
    Handler.Hook = [&](const TLogicalPacket& packet) {
        onMainThread = onMainThread && QThread::currentThread() == mainThread;
        currentMatches = currentMatches && Processing->CurrentPacket() == &packet;
    };
    Start();
    for (int i = 0; i < 5; ++i) Queue(i);
    ASSERT_TRUE(ServeHandOffsUntil([&] { return Handler.Lines.size() == 5; }, 20000));
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(currentMatches);
    StopAndWait();
    EXPECT_EQ(Processing->CurrentPacket(), nullptr);
}

TEST_F(ProcessingThreadTest, HandlerErrorEndsTheThreadWithAReportAndTheRestStaysQueued) {
    Handler.Hook = [](const TLogicalPacket& packet) {
        if (packet.Line() == SampleLine(1)) throw std::runtime_error("disk full");
    };
    Start();
    for (int i = 0; i < 4; ++i) Queue(i);
    ASSERT_TRUE(WaitServingHandOffs(*Processing, 20000));
    // The failing packet was destroyed and removed like any other.
    EXPECT_EQ(Handler.Lines, Lines(0, 1));
    EXPECT_EQ(Processing->PacketQueue().Count(), 2u);
    EXPECT_EQ(Processing->PacketQueue().Head()->Line(), SampleLine(2));
    EXPECT_EQ(Notifications.ReportsOf(TReportKind::ProcessingError),
              std::vector<std::string>{"Sample processing stopped: disk full"});
    // Stopping an ended thread is harmless; destroying it destroys the packets left.
    StopAndWait();
    Processing.reset();
}

TEST_F(ProcessingThreadTest, WaitingMainThreadKeepsServingSlowHandOffs) {
    Handler.Hook = [](const TLogicalPacket&) { Pause(5); };
    Start();
    for (int i = 0; i < 40; ++i) Queue(i);
    // The main thread waits for the end while the thread still needs it for each packet.
    StopAndWait();
    EXPECT_EQ(Handler.Lines, Lines(0, 40));
}

TEST(ReaderAndProcessing, SemaphoreAtItsMaximumStillDeliversEveryLineAndTheStopDrains) {
    TLinkHarness run;
    run.Start({}, 2);
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += SampleLine(i) + "\r\n";
    run.Send(bytes);
    // Not serving: everything piles up in the queue, far beyond the semaphore's maximum.
    for (int waited = 0; run.Reader->LinesQueued() < 300 && waited < 20000; waited += 5) Pause(5);
    ASSERT_EQ(run.Reader->LinesQueued(), 300u);
    EXPECT_LE(run.Semaphore->Count(), 2);
    EXPECT_TRUE(run.Handler.Lines.empty());
    run.Stop();
    ASSERT_EQ(run.Handler.Lines.size(), 300u);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(run.Handler.Lines[static_cast<std::size_t>(i)], SampleLine(i));
}
