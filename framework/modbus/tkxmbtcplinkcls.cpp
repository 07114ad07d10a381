#include "modbus/tkxmbtcplinkcls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbframecls.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

TkxMBTcpLink::TkxMBTcpLink(TkxMBLinkSettings settings, const TkxMBCancel& cancel)
    : FSettings(std::move(settings))
    , FCancel(cancel) {}

TkxMBTcpLink::~TkxMBTcpLink() {
    Close();
}

bool TkxMBTcpLink::Open(std::string& why) {
    return ConnectSocket(why);
}

void TkxMBTcpLink::Close() {
    FFd.Reset();
}

bool TkxMBTcpLink::ConnectSocket(std::string& why) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(FSettings.TcpPort);
    const int lookup = getaddrinfo(FSettings.Host.c_str(), port.c_str(), &hints, &found);
    if (lookup != 0) {
        why = "cannot resolve host " + FSettings.Host + ": " + gai_strerror(lookup);
        return false;
    }
    why = "cannot connect to " + FSettings.Host + ":" + port;
    for (addrinfo* entry = found; entry != nullptr && !FFd.IsOpen(); entry = entry->ai_next) {
        TkxFd fd(socket(entry->ai_family, entry->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        entry->ai_protocol));
        if (!fd.IsOpen()) {
            continue;
        }
        int error = 0;
        if (connect(fd.Get(), entry->ai_addr, entry->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                const auto outcome = FCancel.WaitFor(fd.Get(), POLLOUT,
                                                     FSettings.TimeOut > 0 ? FSettings.TimeOut : 1);
                socklen_t size = sizeof error;
                error = ETIMEDOUT;
                if (outcome == TkxMBCancel::Wait::Ready || outcome == TkxMBCancel::Wait::HungUp) {
                    getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &size);
                }
            }
        }
        if (error != 0) {
            why += std::string(": ") + std::strerror(error);
            continue;
        }
        const int on = 1;
        setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        FFd = std::move(fd);
    }
    freeaddrinfo(found);
    return FFd.IsOpen();
}

void TkxMBTcpLink::DiscardStaleInput() {
    std::uint8_t scrap[512];
    ssize_t count = 0;
    while ((count = recv(FFd.Get(), scrap, sizeof scrap, MSG_DONTWAIT)) > 0) {
    }
    if (count == 0) {
        Close(); // the peer has closed its side
    }
}

std::int32_t TkxMBTcpLink::Fail(std::int32_t result) {
    Close();
    return result;
}

std::int32_t TkxMBTcpLink::Send(std::span<const std::uint8_t> frame) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t count =
            send(FFd.Get(), frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
        } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (FCancel.WaitFor(FFd.Get(), POLLOUT, FSettings.TimeOut) !=
                TkxMBCancel::Wait::Ready) {
                return Fail(TkxMBResult::SocketWriteError);
            }
        } else {
            return Fail(TkxMBResult::SocketWriteError);
        }
    }
    return TkxMBResult::Ok;
}

TkxMBReply TkxMBTcpLink::Receive(std::span<const std::uint8_t> request) {
    std::vector<std::uint8_t> received;
    const auto deadline = Clock::now() + std::chrono::milliseconds(FSettings.TimeOut);
    for (;;) {
        const auto outcome = FCancel.WaitFor(FFd.Get(), POLLIN, MillisecondsLeft(deadline));
        if (outcome == TkxMBCancel::Wait::Cancelled || outcome == TkxMBCancel::Wait::TimedOut) {
            // A reply that began but never arrived whole (a header promising more) is a bad
            // reply; only silence is a time-out.
            const bool begun = outcome == TkxMBCancel::Wait::TimedOut && !received.empty();
            return {begun ? TkxMBResult::InvalidResponse : TkxMBResult::Timeout, {}};
        }
        std::uint8_t chunk[512];
        const ssize_t count = recv(FFd.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (count <= 0) {
            return {Fail(TkxMBResult::SocketReadError), {}};
        }
        received.insert(received.end(), chunk, chunk + count);
        for (;;) {
            TkxMBDecoded decoded = TkxMBFrame::DecodeTcp(request, received, FTransactionId);
            if (decoded.Status == TkxMBFrameStatus::Incomplete) {
                break;
            }
            if (decoded.Status == TkxMBFrameStatus::Complete) {
                // Whatever else is in the stream is drained before the next request.
                return {decoded.Result, std::move(decoded.Response)};
            }
            received.erase(received.begin(),
                           received.begin() + static_cast<std::ptrdiff_t>(decoded.Consumed));
        }
    }
}

TkxMBReply TkxMBTcpLink::Exchange(std::span<const std::uint8_t> request) {
    std::string why;
    if (FFd.IsOpen()) {
        DiscardStaleInput();
    }
    if (!FFd.IsOpen() && !ConnectSocket(why)) {
        return {TkxMBResult::SocketNotConnected, {}};
    }
    ++FTransactionId;
    const std::int32_t result = Send(TkxMBFrame::EncodeTcp(request, FTransactionId));
    if (result != TkxMBResult::Ok) {
        return {result, {}};
    }
    return Receive(request);
}
