#include "base/tkxqueuedispatchercls.h"

#include <algorithm>
#include <utility>

TkxQueueDispatcher::TkxQueueDispatcher()
    : FMainThread(std::this_thread::get_id()) {}

TkxQueueDispatcher::~TkxQueueDispatcher() {
    ProcessMessages();
}

void TkxQueueDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard guard(FMutex);
        FQueue.push_back(std::move(call));
    }
    FSignal.notify_all();
}

bool TkxQueueDispatcher::IsMainThread() const {
    std::lock_guard guard(FMutex);
    return std::this_thread::get_id() == FMainThread;
}

void TkxQueueDispatcher::BindToCurrentThread() {
    std::lock_guard guard(FMutex);
    FMainThread = std::this_thread::get_id();
}

bool TkxQueueDispatcher::RunOne() {
    std::function<void()> call;
    {
        std::lock_guard guard(FMutex);
        if (FQueue.empty()) {
            return false;
        }
        call = std::move(FQueue.front());
        FQueue.pop_front();
    }
    call();
    return true;
}

int TkxQueueDispatcher::ProcessMessages() {
    int count = 0;
    while (RunOne()) {
        ++count;
    }
    return count;
}

bool TkxQueueDispatcher::WaitUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessMessages();
        if (done()) {
            return true;
        }
        std::unique_lock lock(FMutex);
        if (!FQueue.empty()) {
            continue;
        }
        const unsigned wakes = FWakeCount;
        // The condition may change without a Wake (a plain flag of a worker), so look again
        // at least every few milliseconds.
        const auto slice =
            std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
        FSignal.wait_until(lock, slice, [&] { return !FQueue.empty() || FWakeCount != wakes; });
        if (std::chrono::steady_clock::now() >= deadline && FQueue.empty()) {
            lock.unlock();
            return done();
        }
    }
}

void TkxQueueDispatcher::Wake() {
    {
        std::lock_guard guard(FMutex);
        ++FWakeCount;
    }
    FSignal.notify_all();
}

void TkxQueueDispatcher::PumpFor(std::chrono::milliseconds duration) {
    WaitUntil([] { return false; }, duration);
}

std::size_t TkxQueueDispatcher::PendingCount() const {
    std::lock_guard guard(FMutex);
    return FQueue.size();
}
