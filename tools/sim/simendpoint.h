#pragma once

#include <string>

namespace qxsim {

// A file descriptor that closes itself.
class SimFd {
public:
    SimFd() = default;
    explicit SimFd(int fd)
        : FFd(fd) {}
    ~SimFd();
    SimFd(SimFd&& other) noexcept;
    SimFd& operator=(SimFd&& other) noexcept;
    SimFd(const SimFd&) = delete;
    SimFd& operator=(const SimFd&) = delete;

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    void Reset();

private:
    int FFd = -1;
};

// The master side of a new pseudo-terminal, its slave side held open in raw mode (so that the
// line never echoes and the master never reads EIO between two clients), an optional symlink
// to it and a lock that keeps a second simulator off the same link. Throws std::runtime_error
// with a one-line reason when any of that fails; the destructor removes the link.
class SimPtyEndpoint {
public:
    explicit SimPtyEndpoint(const std::string& link);
    ~SimPtyEndpoint();
    SimPtyEndpoint(const SimPtyEndpoint&) = delete;
    SimPtyEndpoint& operator=(const SimPtyEndpoint&) = delete;

    int Fd() const { return FMaster.Get(); }
    const std::string& DevicePath() const { return FDevicePath; }
    // Drops whatever the client sent and the line still holds.
    void Flush();

private:
    void LockLink();
    void MakeLink();

    SimFd FMaster;
    SimFd FSlave;
    SimFd FLock;
    std::string FDevicePath;
    std::string FLink;
    bool FLinkMade = false;
};

// A listening TCP socket on 127.0.0.1. Throws std::runtime_error naming the port when it is
// taken.
class SimTcpListener {
public:
    explicit SimTcpListener(int port);
    int Fd() const { return FSocket.Get(); }
    int Port() const { return FPort; }
    // A new client connection, or an invalid descriptor when none is waiting.
    SimFd Accept();

private:
    SimFd FSocket;
    int FPort = 0;
};

} // namespace qxsim
