#include "sim/simserver.h"

#include "modbus/tkxmbframecls.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

namespace qxsim {
namespace {

constexpr int kPollMs = 5;
constexpr std::size_t kMbapSize = 7;
constexpr std::uint16_t kMaxMbapLength = 254;
constexpr std::uint8_t kBroadcast = 0;

// The silent interval that ends an RTU frame of unknown length: 3.5 characters on the line,
// but never so short that a busy machine splits one write of the master in two.
std::chrono::milliseconds SilentInterval(int baud) {
    const int lineMs = baud > 0 ? (35 * 11 * 1000 / 10 + baud - 1) / baud : 0;
    return std::chrono::milliseconds(std::max(lineMs, 20));
}

sigset_t HandledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaddset(&set, signal);
    }
    return set;
}

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

SimServer::SimServer(const SimOptions& options, SimDrive& drive, std::ostream& log)
    : FOptions(options)
    , FDrive(drive)
    , FLog(log)
    , FWriter(options.Baud)
    , FFramer(options.Ascii, SilentInterval(options.Baud))
    , FRandom(options.Seed) {
    const sigset_t signals = HandledSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    FSignals = SimFd(signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!FSignals.Valid()) {
        throw std::runtime_error("cannot watch for signals");
    }
    if (options.Transport == SimTransport::Tcp) {
        FListener = std::make_unique<SimTcpListener>(options.TcpPort);
    } else {
        FPty = std::make_unique<SimPtyEndpoint>(options.Link);
    }
}

SimServer::~SimServer() {
    const sigset_t signals = HandledSignals();
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

std::string SimServer::Address() const {
    if (FListener) {
        return "127.0.0.1:" + std::to_string(FListener->Port());
    }
    std::string address = FPty->DevicePath();
    if (!FOptions.Link.empty()) {
        address += " (link " + FOptions.Link + ")";
    }
    return address;
}

int SimServer::Run() {
    while (!FStopping) {
        std::vector<pollfd> watched{{FSignals.Get(), POLLIN, 0}};
        watched.push_back({FListener ? FListener->Fd() : FPty->Fd(), POLLIN, 0});
        for (const auto& client : FClients) {
            watched.push_back({client->Socket.Get(), POLLIN, 0});
        }
        for (SimPollable* part : FParts) {
            part->Watch(watched);
        }
        // Bytes of an unfinished serial frame need the clock to end it; otherwise the loop
        // sleeps until a descriptor wakes it.
        const int timeout = FPty && FFramer.Pending() > 0 ? kPollMs : -1;
        const int ready = ::poll(watched.data(), watched.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            FLog << "qxdrive-sim: poll failed\n";
            return 1;
        }
        if (ready < 0) {
            continue;
        }
        if ((watched[0].revents & POLLIN) != 0 && HandleSignal()) {
            break;
        }
        if (FListener) {
            AcceptClients();
            std::erase_if(FClients, [this](auto& client) { return !ServeClient(*client); });
        } else {
            ServeLine();
        }
        for (SimPollable* part : FParts) {
            part->Serve(watched);
        }
    }
    FLog << "qxdrive-sim: stopped\n";
    return 0;
}

bool SimServer::HandleSignal() {
    signalfd_siginfo info{};
    while (::read(FSignals.Get(), &info, sizeof info) == sizeof info) {
        switch (info.ssi_signo) {
        case SIGUSR1:
            FVanished = true;
            FClients.clear();
            FLog << "qxdrive-sim: vanished\n" << std::flush;
            break;
        case SIGUSR2:
            FVanished = false;
            FLog << "qxdrive-sim: back\n" << std::flush;
            break;
        default:
            FStopping = true;
        }
    }
    return FStopping;
}

void SimServer::ServeLine() {
    std::uint8_t chunk[512];
    ssize_t got;
    while ((got = ::read(FPty->Fd(), chunk, sizeof chunk)) > 0) {
        if (!FVanished) {
            FFramer.Feed(chunk, std::size_t(got), SimRequestFramer::Clock::now());
        }
    }
    ServeLineRequests();
}

void SimServer::ServeLineRequests() {
    while (auto request = FFramer.Next(SimRequestFramer::Clock::now())) {
        if (const auto answer = Respond(*request)) {
            Reply(FPty->Fd(), EncodeSerial(*answer), answer->DelayMs);
        }
    }
}

void SimServer::AcceptClients() {
    while (true) {
        SimFd socket = FListener->Accept();
        if (!socket.Valid()) {
            return;
        }
        if (!FVanished) {
            FClients.push_back(std::make_unique<TcpClient>(TcpClient{std::move(socket), {}}));
        }
    }
}

// Reads what the client sent and answers each whole request; false once it should be dropped.
bool SimServer::ServeClient(TcpClient& client) {
    std::uint8_t chunk[512];
    const ssize_t got = ::read(client.Socket.Get(), chunk, sizeof chunk);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        return false;
    }
    if (got > 0) {
        client.Input.insert(client.Input.end(), chunk, chunk + got);
    }
    while (client.Input.size() >= kMbapSize) {
        const std::uint16_t length = Word(client.Input, 4);
        if (length < 2 || length > kMaxMbapLength) {
            return false; // no way to find the next frame in this stream
        }
        if (client.Input.size() < 6u + length) {
            return true;
        }
        const std::uint16_t transactionId = Word(client.Input, 0);
        const bool modbus = Word(client.Input, 2) == 0;
        const std::vector<std::uint8_t> request(client.Input.begin() + 6,
                                                client.Input.begin() + 6 + length);
        client.Input.erase(client.Input.begin(), client.Input.begin() + 6 + length);
        const auto answer = modbus ? Respond(request) : std::nullopt;
        if (answer) {
            // Over TCP a spoiled reply carries another transaction id, which a master rejects.
            const auto id = static_cast<std::uint16_t>(transactionId + answer->Spoilt);
            Reply(client.Socket.Get(), TkxMBFrame::EncodeTcp(answer->Body, id), answer->DelayMs);
        }
    }
    return true;
}

std::optional<SimServer::Answer> SimServer::Respond(const std::vector<std::uint8_t>& request) {
    if (FVanished || request.size() < 2) {
        return std::nullopt;
    }
    const std::uint8_t address = request[0];
    if (address != FOptions.Slave && address != kBroadcast) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> pdu(request.begin() + 1, request.end());
    const SimFault* fault = FOptions.Faults.For(pdu);
    if (fault ? fault->Kind == SimFaultKind::Drop : Happens(FOptions.DropRate)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    if (fault && fault->Kind == SimFaultKind::Exception) {
        data = SimDrive::Refusal(pdu, static_cast<std::uint8_t>(fault->Value));
    } else if (!fault && Happens(FOptions.BusyRate)) {
        data = SimDrive::Busy(pdu);
    } else {
        data = FDrive.Answer(pdu);
    }
    if (address == kBroadcast || data.empty()) {
        return std::nullopt;
    }
    Answer answer;
    answer.Body.reserve(1 + data.size());
    answer.Body.push_back(address);
    answer.Body.insert(answer.Body.end(), data.begin(), data.end());
    if (fault) {
        answer.Spoilt = fault->Kind == SimFaultKind::Corrupt;
        answer.DelayMs = fault->Kind == SimFaultKind::Delay ? fault->Value : 0;
    } else {
        answer.Spoilt = Happens(FOptions.CorruptRate);
    }
    return answer;
}

std::vector<std::uint8_t> SimServer::EncodeSerial(const Answer& answer) const {
    auto frame =
        FOptions.Ascii ? TkxMBFrame::EncodeAscii(answer.Body) : TkxMBFrame::EncodeRtu(answer.Body);
    if (answer.Spoilt) {
        // The checksum is the last byte of an RTU frame and the two before CR LF in ASCII.
        auto& spoilt = frame[frame.size() - (FOptions.Ascii ? 3 : 1)];
        spoilt = FOptions.Ascii ? (spoilt == '0' ? '1' : '0') : static_cast<std::uint8_t>(~spoilt);
    }
    return frame;
}

void SimServer::Reply(int fd, const std::vector<std::uint8_t>& frame, int delayMs) {
    const int pauseMs = FOptions.TurnaroundMs + FOptions.DelayMs + delayMs;
    if (pauseMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    FWriter.Write(fd, frame);
}

bool SimServer::Happens(double rate) {
    if (rate <= 0.0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(FRandom) < rate;
}

} // namespace qxsim
