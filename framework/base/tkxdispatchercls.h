#pragma once

#include <chrono>
#include <functional>

// Runs calls on the main (user-interface) thread on behalf of worker threads. Post queues a
// call and returns at once; the calls run in the order they were posted. Synchronize runs a
// call on the main thread and returns once it has run (at once when already on the main
// thread). A main thread that waits for a worker must keep serving the queue, which
// WaitUntil does, because the worker may itself be blocked in Synchronize.
class TkxDispatcher {
public:
    virtual ~TkxDispatcher() = default;

    virtual void Post(std::function<void()> call) = 0;
    // Posts the call and waits until it has run; an exception it throws is rethrown here.
    virtual void Synchronize(const std::function<void()>& call);
    virtual bool IsMainThread() const = 0;
    // Serves the queue until done() holds or the time-out expires; returns done(). Called on
    // the main thread only.
    virtual bool WaitUntil(const std::function<bool()>& done,
                           std::chrono::milliseconds timeout) = 0;
    // Lets a waiting WaitUntil look at its condition again (a worker changed something).
    virtual void Wake() = 0;
};

// The dispatcher of the process. There is one main thread per process, so this stays
// process-wide, as a GUI toolkit's application object does: the program installs its own once
// at start (the terminal one on its event loop); without one, a queue dispatcher bound to the
// first calling thread is used. State that belongs to a network never lives here.
TkxDispatcher& TkxMainDispatcher();
// Installs a dispatcher (not owned); null goes back to the default one.
void TkxSetMainDispatcher(TkxDispatcher* dispatcher);
