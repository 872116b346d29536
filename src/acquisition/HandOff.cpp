#include "acquisition/HandOff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

// The calls wait in a queue of our own rather than in Qt's posted events: a wait that serves
// them takes them from there directly. (Serving one receiver's posted events leaves Qt's
// per-thread list uncompacted, so every such call would cost more than the one before.) The
// event loop learns of them through one queued call to the receiver, posted only when none is
// pending.

namespace {

// How long a serving wait sleeps at most between checks of its condition.
constexpr int ServingPollMs = 5;
// After a call, the event loop's turn waits this long for the worker's next call before it
// gives the thread back: in a burst the next call comes within microseconds, and taking it here
// saves a round through the event loop per packet.
constexpr auto LingerForNextCall = std::chrono::microseconds(1000);
// The longest one turn of the event loop keeps serving calls, so windows stay responsive.
constexpr auto LongestTurn = std::chrono::milliseconds(10);
// Before either side of a hand-off goes to sleep it gives its processor away for this long,
// checking between turns: in a burst the other side answers within microseconds, and a thread
// that never sleeps is spared two wake-ups through the kernel per call.
constexpr auto YieldBeforeSleeping = std::chrono::microseconds(50);

// Returns as soon as `ready` answers true, or after YieldBeforeSleeping; the caller's own wait
// follows either way.
template <typename Ready>
void YieldUntil(Ready ready) {
    const auto end = std::chrono::steady_clock::now() + YieldBeforeSleeping;
    while (!ready() && std::chrono::steady_clock::now() < end) std::this_thread::yield();
}

// Never destroyed: a worker may still post while the program's statics go away.
struct THandOffState {
    std::mutex Lock;
    std::condition_variable Queued;
    std::deque<std::packaged_task<void()>> Calls;
    bool WakeUpPosted = false;
    QObject* Receiver = nullptr;
};

THandOffState& State() {
    static THandOffState* const state = new THandOffState;
    return *state;
}

// Dropping the calls breaks their promises: their workers stop waiting with an error.
void DropCalls() {
    std::deque<std::packaged_task<void()>> dropped;
    std::lock_guard<std::mutex> guard(State().Lock);
    dropped.swap(State().Calls);
    State().Receiver = nullptr;
}

// The object whose thread serves the hand-offs: it lives on the application's thread and goes
// with the application object. Null while there is no application object.
QObject* HandOffReceiver() {
    THandOffState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (state.Receiver) return state.Receiver;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return nullptr;
    auto* receiver = new QObject;
    if (QThread::currentThread() == application->thread())
        receiver->setParent(application);
    else
        receiver->moveToThread(application->thread());
    QObject::connect(receiver, &QObject::destroyed, [] { DropCalls(); });
    state.Receiver = receiver;
    return receiver;
}

bool OnReceiverThread(QObject* receiver) {
    return receiver && QThread::currentThread() == receiver->thread();
}

void RunQueuedCalls() {
    THandOffState& state = State();
    for (;;) {
        std::packaged_task<void()> call;
        {
            std::lock_guard<std::mutex> guard(state.Lock);
            if (state.Calls.empty()) return;
            call = std::move(state.Calls.front());
            state.Calls.pop_front();
        }
        call();  // what it raises goes to its worker through the task's future
    }
}

void PostEventLoopTurn(QObject* receiver);

// The event loop's turn: serves calls while they keep coming. The posted flag stays set until
// the queue is found empty under the lock, so a worker never posts a turn that is not needed
// and never leaves a call without one.
void EventLoopTurn(QObject* receiver) {
    THandOffState& state = State();
    const auto end = std::chrono::steady_clock::now() + LongestTurn;
    for (;;) {
        RunQueuedCalls();
        YieldUntil([&state] {
            std::lock_guard<std::mutex> guard(state.Lock);
            return !state.Calls.empty();
        });
        std::unique_lock<std::mutex> guard(state.Lock);
        if (!state.Queued.wait_for(guard, LingerForNextCall, [&] { return !state.Calls.empty(); })) {
            state.WakeUpPosted = false;
            return;
        }
        if (std::chrono::steady_clock::now() >= end) {
            guard.unlock();
            PostEventLoopTurn(receiver);
            return;
        }
    }
}

void PostEventLoopTurn(QObject* receiver) {
    PostCall(receiver, [receiver] { EventLoopTurn(receiver); });
}

}  // namespace

std::mutex& PostOrderLock() {
    static std::mutex* const lock = new std::mutex;  // never destroyed, like the hand-off state
    return *lock;
}

void RunOnMainThread(const std::function<void()>& call) {
    QObject* receiver = HandOffReceiver();
    if (!receiver) throw std::logic_error("a hand-off needs the application object");
    if (OnReceiverThread(receiver)) {
        call();
        return;
    }
    std::packaged_task<void()> task([&call] { call(); });
    std::future<void> finished = task.get_future();
    bool postWakeUp = false;
    THandOffState& state = State();
    {
        std::lock_guard<std::mutex> guard(state.Lock);
        state.Calls.push_back(std::move(task));
        postWakeUp = !state.WakeUpPosted;
        state.WakeUpPosted = true;
    }
    state.Queued.notify_all();
    if (postWakeUp) PostEventLoopTurn(receiver);
    YieldUntil([&finished] {
        return finished.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    finished.get();
}

void ServeHandOffs() {
    if (OnReceiverThread(HandOffReceiver())) RunQueuedCalls();
}

bool ServeHandOffsUntil(const std::function<bool()>& done, int timeoutMs) {
    const bool serving = OnReceiverThread(HandOffReceiver());
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    THandOffState& state = State();
    for (;;) {
        if (serving) RunQueuedCalls();
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        const std::int64_t remaining = deadline.isForever() ? ServingPollMs : deadline.remainingTime();
        const auto sleep = std::chrono::milliseconds(std::clamp<std::int64_t>(remaining, 0, ServingPollMs));
        std::unique_lock<std::mutex> guard(state.Lock);
        if (serving)
            state.Queued.wait_for(guard, sleep, [&] { return !state.Calls.empty(); });
        else
            state.Queued.wait_for(guard, sleep);
    }
}

bool WaitServingHandOffs(QThread& thread, int timeoutMs) {
    return ServeHandOffsUntil([&thread] { return thread.wait(QDeadlineTimer(0)); }, timeoutMs);
}
