#include "sim/simendpoint.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace qxsim {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        Fail("cannot read the pseudo-terminal settings");
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        Fail("cannot set the pseudo-terminal to raw mode");
    }
}

} // namespace

SimFd::~SimFd() {
    Reset();
}

SimFd::SimFd(SimFd&& other) noexcept
    : FFd(other.FFd) {
    other.FFd = -1;
}

SimFd& SimFd::operator=(SimFd&& other) noexcept {
    if (this != &other) {
        Reset();
        FFd = other.FFd;
        other.FFd = -1;
    }
    return *this;
}

void SimFd::Reset() {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
}

SimPtyEndpoint::SimPtyEndpoint(const std::string& link)
    : FLink(link) {
    if (!FLink.empty()) {
        LockLink();
    }
    FMaster = SimFd(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!FMaster.Valid() || grantpt(FMaster.Get()) != 0 || unlockpt(FMaster.Get()) != 0) {
        Fail("cannot create a pseudo-terminal");
    }
    char name[128] = {};
    if (ptsname_r(FMaster.Get(), name, sizeof name) != 0) {
        Fail("cannot name the pseudo-terminal");
    }
    FDevicePath = name;
    FSlave = SimFd(::open(name, O_RDWR | O_NOCTTY));
    if (!FSlave.Valid()) {
        Fail("cannot open " + FDevicePath);
    }
    MakeRaw(FSlave.Get());
    if (!FLink.empty()) {
        MakeLink();
    }
}

SimPtyEndpoint::~SimPtyEndpoint() {
    if (FLinkMade) {
        ::unlink(FLink.c_str());
    }
    if (FLock.Valid()) {
        ::unlink((FLink + ".lock").c_str());
    }
}

void SimPtyEndpoint::LockLink() {
    const std::string lockPath = FLink + ".lock";
    FLock = SimFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!FLock.Valid()) {
        Fail("cannot create the lock file " + lockPath);
    }
    if (flock(FLock.Get(), LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        FLock = SimFd();
        if (taken) {
            throw std::runtime_error("another simulator already serves " + FLink);
        }
        Fail("cannot lock " + lockPath);
    }
}

void SimPtyEndpoint::MakeLink() {
    // A link left by a simulator that was killed is stale once we hold the lock.
    ::unlink(FLink.c_str());
    if (::symlink(FDevicePath.c_str(), FLink.c_str()) != 0) {
        Fail("cannot make the link " + FLink);
    }
    FLinkMade = true;
}

void SimPtyEndpoint::Flush() {
    tcflush(FSlave.Get(), TCIOFLUSH);
}

SimTcpListener::SimTcpListener(int port) {
    FSocket = SimFd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!FSocket.Valid()) {
        Fail("cannot create a TCP socket");
    }
    const int yes = 1;
    ::setsockopt(FSocket.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        Fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    if (::listen(FSocket.Get(), 8) != 0) {
        Fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    socklen_t length = sizeof address;
    ::getsockname(FSocket.Get(), reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
}

SimFd SimTcpListener::Accept() {
    SimFd client(::accept4(FSocket.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (client.Valid()) {
        const int yes = 1;
        ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    }
    return client;
}

} // namespace qxsim
