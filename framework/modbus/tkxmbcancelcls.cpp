#include "modbus/tkxmbcancelcls.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

TkxMBCancel::TkxMBCancel()
    : FFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void TkxMBCancel::Trigger() {
    FTriggered = true;
    if (FFd.IsOpen()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(FFd.Get(), &one, sizeof one);
    }
}

void TkxMBCancel::Reset() {
    FTriggered = false;
    if (FFd.IsOpen()) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto drained = read(FFd.Get(), &count, sizeof count);
    }
}

TkxMBCancel::Wait TkxMBCancel::WaitFor(int fd, short events, int timeoutMs) const {
    // Without an event descriptor the flag is looked at in short slices instead.
    constexpr int FlagSliceMs = 10;
    pollfd fds[2] = {{fd, events, 0}, {FFd.Get(), POLLIN, 0}};
    const nfds_t count = FFd.IsOpen() ? 2 : 1;
    int left = std::max(timeoutMs, 0);
    for (;;) {
        if (IsTriggered()) {
            return Wait::Cancelled;
        }
        const int slice = FFd.IsOpen() ? left : std::min(left, FlagSliceMs);
        const int ready = poll(fds, count, slice);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return Wait::HungUp;
        }
        if (IsTriggered()) {
            return Wait::Cancelled;
        }
        if ((fds[0].revents & events) != 0) {
            return Wait::Ready;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return Wait::HungUp;
        }
        left -= slice;
        if (ready == 0 && left <= 0) {
            return Wait::TimedOut;
        }
    }
}
