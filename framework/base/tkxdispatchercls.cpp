#include "base/tkxdispatchercls.h"

#include "base/tkxqueuedispatchercls.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// The dispatcher in use, and the default one created on first need.
TkxDispatcher* GInstalled = nullptr;
std::mutex GInstallMutex;

} // namespace

void TkxDispatcher::Synchronize(const std::function<void()>& call) {
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

TkxDispatcher& TkxMainDispatcher() {
    std::lock_guard guard(GInstallMutex);
    if (GInstalled != nullptr) {
        return *GInstalled;
    }
    static TkxQueueDispatcher fallback;
    return fallback;
}

void TkxSetMainDispatcher(TkxDispatcher* dispatcher) {
    std::lock_guard guard(GInstallMutex);
    GInstalled = dispatcher;
}
