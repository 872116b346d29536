#include "acquisition/HandOff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

// How long a serving wait sleeps at most between checks of its condition.
constexpr int ServingPollMs = 5;

// Never destroyed: a worker may still post while the program's statics go away.
struct THandOffState {
    std::mutex Lock;
    std::condition_variable Posted;
    // Counts posted hand-offs: a serving wait that saw it change knows a call is waiting.
    std::uint64_t PostedCount = 0;
    QObject* Receiver = nullptr;
};

THandOffState& State() {
    static THandOffState* const state = new THandOffState;
    return *state;
}

// The object that receives the hand-offs; it lives on the application's thread and goes with
// the application object.
QObject* HandOffReceiver() {
    THandOffState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (state.Receiver) return state.Receiver;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) throw std::logic_error("a hand-off needs the application object");
    auto* receiver = new QObject;
    if (QThread::currentThread() == application->thread())
        receiver->setParent(application);
    else
        receiver->moveToThread(application->thread());
    QObject::connect(receiver, &QObject::destroyed, [] {
        std::lock_guard<std::mutex> guard(State().Lock);
        State().Receiver = nullptr;
    });
    state.Receiver = receiver;
    return receiver;
}

bool OnReceiverThread(QObject* receiver) { return QThread::currentThread() == receiver->thread(); }

}  // namespace

void RunOnMainThread(const std::function<void()>& call) {
    QObject* receiver = HandOffReceiver();
    if (OnReceiverThread(receiver)) {
        call();
        return;
    }
    // Only the posted call holds the promise: if the call is dropped unrun (the application
    // going away), the promise goes with it and the wait below ends with an error.
    auto promise = std::make_shared<std::promise<void>>();
    std::future<void> finished = promise->get_future();
    QMetaObject::invokeMethod(
        receiver,
        [promise, &call] {
            try {
                call();
                promise->set_value();
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        },
        Qt::QueuedConnection);
    promise.reset();
    {
        std::lock_guard<std::mutex> guard(State().Lock);
        ++State().PostedCount;
    }
    State().Posted.notify_all();
    finished.get();
}

void ServeHandOffs() {
    QObject* receiver = HandOffReceiver();
    if (OnReceiverThread(receiver)) QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
}

bool ServeHandOffsUntil(const std::function<bool()>& done, int timeoutMs) {
    QObject* receiver = HandOffReceiver();
    const bool serving = OnReceiverThread(receiver);
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    THandOffState& state = State();
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard<std::mutex> guard(state.Lock);
            seen = state.PostedCount;
        }
        // Calls posted before `seen` was read are served here; a later one changes the count
        // and cuts the sleep below short.
        if (serving) QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        const std::int64_t remaining = deadline.isForever() ? ServingPollMs : deadline.remainingTime();
        const auto sleep = std::chrono::milliseconds(std::clamp<std::int64_t>(remaining, 0, ServingPollMs));
        std::unique_lock<std::mutex> guard(state.Lock);
        state.Posted.wait_for(guard, sleep, [&] { return state.PostedCount != seen; });
    }
}

bool WaitServingHandOffs(QThread& thread, int timeoutMs) {
    return ServeHandOffsUntil([&thread] { return thread.wait(QDeadlineTimer(0)); }, timeoutMs);
}
