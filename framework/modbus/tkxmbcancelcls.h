#pragma once

#include "base/tkxfdcls.h"

#include <atomic>

// Lets another thread cut a blocking wait on the line short: the waits of a link poll this
// token's descriptor together with their port or socket. Once triggered it stays triggered
// until Reset.
class TkxMBCancel {
public:
    enum class Wait { Ready, TimedOut, Cancelled, HungUp };

    TkxMBCancel();
    TkxMBCancel(const TkxMBCancel&) = delete;
    TkxMBCancel& operator=(const TkxMBCancel&) = delete;

    void Trigger();
    void Reset();
    bool IsTriggered() const { return FTriggered.load(); }
    // Readable while triggered; -1 when the system gave no descriptor (then only the flag
    // is seen, at the end of the current wait slice).
    int Fd() const { return FFd.Get(); }

    // Waits up to timeoutMs for events (POLLIN or POLLOUT) on fd, or for this token.
    Wait WaitFor(int fd, short events, int timeoutMs) const;

private:
    TkxFd FFd;
    std::atomic<bool> FTriggered{false};
};
