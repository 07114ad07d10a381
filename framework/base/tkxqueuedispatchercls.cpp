#include "base/tkxqueuedispatchercls.h"

#include <algorithm>
#include <exception>
#include <memory>
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

void TkxQueueDispatcher::Synchronize(const std::function<void()>& call) {
    if (IsMainThread()) {
        call();
        return;
    }
    // The state is shared so that it outlives this frame only as long as the queued call.
    struct Handoff {
        std::mutex Mutex;
        std::condition_variable Done;
        bool Finished = false;
        std::exception_ptr Failure;
    };
    auto handoff = std::make_shared<Handoff>();
    Post([handoff, &call] {
        try {
            call();
        } catch (...) {
            handoff->Failure = std::current_exception();
        }
        std::lock_guard guard(handoff->Mutex);
        handoff->Finished = true;
        handoff->Done.notify_all();
    });
    std::unique_lock lock(handoff->Mutex);
    handoff->Done.wait(lock, [&] { return handoff->Finished; });
    // Taken out under the lock, so that the exception is released here and never by the main
    // thread dropping the queued call: its reference count is invisible to race detection.
    const std::exception_ptr failure = std::exchange(handoff->Failure, nullptr);
    lock.unlock();
    if (failure) {
        std::rethrow_exception(failure);
    }
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
