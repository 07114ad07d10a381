#pragma once

// Owns one POSIX file descriptor and closes it when it goes. -1 stands for none. Moving hands
// the descriptor over; the moved-from handle holds none.
class TkxFd {
public:
    TkxFd() = default;
    explicit TkxFd(int fd) noexcept
        : FFd(fd < 0 ? -1 : fd) {}
    ~TkxFd() { Reset(); }
    TkxFd(const TkxFd&) = delete;
    TkxFd& operator=(const TkxFd&) = delete;
    TkxFd(TkxFd&& other) noexcept
        : FFd(other.Release()) {}
    TkxFd& operator=(TkxFd&& other) noexcept;

    int Get() const noexcept { return FFd; }
    bool IsOpen() const noexcept { return FFd >= 0; }
    // Closes the descriptor held, if any, and takes fd over.
    void Reset(int fd = -1) noexcept;
    // Gives the descriptor up without closing it.
    int Release() noexcept;

private:
    int FFd = -1;
};
