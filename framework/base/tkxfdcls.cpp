#include "base/tkxfdcls.h"

#include <unistd.h>

#include <utility>

TkxFd& TkxFd::operator=(TkxFd&& other) noexcept {
    if (this != &other) {
        Reset(other.Release());
    }
    return *this;
}

void TkxFd::Reset(int fd) noexcept {
    const int old = std::exchange(FFd, fd < 0 ? -1 : fd);
    if (old >= 0 && old != FFd) {
        ::close(old);
    }
}

int TkxFd::Release() noexcept {
    return std::exchange(FFd, -1);
}
