#pragma once

#include "base/tkxdispatchercls.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// A dispatcher whose queue the main thread pumps itself (tests, command-line tools). The main
// thread is the thread that created it, or the one that last called BindToCurrentThread.
class TkxQueueDispatcher : public TkxDispatcher {
public:
    TkxQueueDispatcher();
    // Runs whatever is still queued, so that no worker is left blocked in Synchronize.
    ~TkxQueueDispatcher() override;

    TkxQueueDispatcher(const TkxQueueDispatcher&) = delete;
    TkxQueueDispatcher& operator=(const TkxQueueDispatcher&) = delete;

    void Post(std::function<void()> call) override;
    bool IsMainThread() const override;
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    void Wake() override;

    void BindToCurrentThread();
    // Runs the calls queued so far and those they queue; returns how many ran.
    int ProcessMessages();
    // Serves the queue for the given time.
    void PumpFor(std::chrono::milliseconds duration);
    std::size_t PendingCount() const;

private:
    bool RunOne();

    mutable std::mutex FMutex;
    std::condition_variable FSignal;
    std::deque<std::function<void()>> FQueue;
    std::thread::id FMainThread;
    unsigned FWakeCount = 0;
};
