#pragma once
// The synchronous hand-off from a worker thread to the user-interface thread: the worker posts a
// call to an object that lives on the user-interface thread and waits until it has run there.
// The user-interface thread serves such calls from its event loop, and, while it waits for a
// worker to end, from WaitServingHandOffs, which serves nothing else (no user input, no timers),
// so that stopping a run can never deadlock on a worker that waits for it.
//
// Thread rule: RunOnMainThread may be called from any thread; the serving functions are for
// the user-interface thread (elsewhere they only wait).

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <mutex>
#include <utility>

class QThread;

// Held while a call is posted and taken once more when it runs: the race checker cannot see the
// locking inside Qt, and without an ordering of its own it takes the call's captured data,
// written by the posting thread and read by the receiving one, for a race.
std::mutex& PostOrderLock();

template <typename Call>
struct TOrderedCall {
    Call Body;
    void operator()() const {
        { std::lock_guard<std::mutex> ordered(PostOrderLock()); }
        Body();
    }
};

// Posts `call` to run on the thread of `context` from its event loop, without waiting. From any
// thread; the call is dropped with `context`.
template <typename Call>
void PostCall(QObject* context, Call call) {
    std::lock_guard<std::mutex> ordered(PostOrderLock());
    QMetaObject::invokeMethod(context, TOrderedCall<Call>{std::move(call)}, Qt::QueuedConnection);
}

// Runs `call` on the user-interface thread and returns when it has returned; what it raises is
// raised again here. Called on the user-interface thread itself, it runs the call directly.
// Needs the application object (std::logic_error without one).
void RunOnMainThread(const std::function<void()>& call);

// Serves the hand-offs waiting now. Without an application object the serving functions only
// wait.
void ServeHandOffs();

// Serves hand-offs until `done` answers true (checked after every hand-off and every few
// milliseconds); false when `timeoutMs` (< 0: no limit) passed first.
bool ServeHandOffsUntil(const std::function<bool()>& done, int timeoutMs = -1);

// Waits for the thread to end while serving hand-offs; false when `timeoutMs` (< 0: no limit)
// passed first.
bool WaitServingHandOffs(QThread& thread, int timeoutMs = -1);
