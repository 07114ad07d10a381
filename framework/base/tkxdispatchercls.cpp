#include "base/tkxdispatchercls.h"

#include "base/tkxqueuedispatchercls.h"

#include <mutex>

namespace {

// The dispatcher in use, and the default one created on first need.
TkxDispatcher* GInstalled = nullptr;
std::mutex GInstallMutex;

} // namespace

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
