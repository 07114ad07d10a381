#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A manual-reset event: once set it stays set, releasing every waiter, until reset.
class TkxEvent {
public:
    explicit TkxEvent(bool initiallySet)
        : FSet(initiallySet) {}

    void Set() {
        {
            std::lock_guard guard(FMutex);
            FSet = true;
        }
        FSignal.notify_all();
    }
    void Reset() {
        std::lock_guard guard(FMutex);
        FSet = false;
    }
    bool IsSet() const {
        std::lock_guard guard(FMutex);
        return FSet;
    }
    // True when the event was set within the time-out.
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(FMutex);
        return FSignal.wait_for(lock, timeout, [this] { return FSet; });
    }

private:
    mutable std::mutex FMutex;
    std::condition_variable FSignal;
    bool FSet;
};
