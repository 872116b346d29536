#pragma once
// The synchronous hand-off from a worker thread to the user-interface thread: the worker posts a
// call to an object that lives on the user-interface thread and waits until it has run there.
// The user-interface thread serves such calls from its event loop, and, while it waits for a
// worker to end, from WaitServingHandOffs, which serves nothing else (no user input, no timers),
// so that stopping a run can never deadlock on a worker that waits for it.
//
// Thread rule: RunOnMainThread may be called from any thread; the serving functions are for
// the user-interface thread (elsewhere they only wait).

#include <functional>

class QThread;

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
