#include "sim/simcontrolchannel.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qxsim {
namespace {

sockaddr_un SocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        throw std::runtime_error("control socket path " + path + " is too long (at most " +
                                 std::to_string(sizeof address.sun_path - 1) + " bytes)");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// True when a socket at the path has a live listener.
bool Listening(const sockaddr_un& address) {
    SimFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return probe.Valid() &&
           ::connect(probe.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

SimControlChannel::SimControlChannel(const std::string& where, SimCommands& commands,
                                     std::ostream& out)
    : FCommands(commands)
    , FOut(out) {
    if (where == "-") {
        FStdin = true;
        FStdinClient = std::make_unique<Client>();
    } else {
        Listen(where);
    }
}

SimControlChannel::~SimControlChannel() {
    if (FListener.Valid()) {
        ::unlink(FPath.c_str());
    }
}

void SimControlChannel::Listen(const std::string& path) {
    const sockaddr_un address = SocketAddress(path);
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            throw std::runtime_error("control path " + path + " exists and is no socket");
        }
        if (Listening(address)) {
            throw std::runtime_error("control socket " + path + " is in use");
        }
        ::unlink(path.c_str());
    }
    SimFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listener.Valid() ||
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), 4) != 0) {
        throw std::runtime_error("cannot listen on control socket " + path + ": " +
                                 std::strerror(errno));
    }
    FListener = std::move(listener);
    FPath = path;
}

std::string SimControlChannel::Address() const {
    return FStdin ? "standard input" : FPath;
}

void SimControlChannel::Watch(std::vector<pollfd>& watched) {
    FFirst = watched.size();
    if (FStdin) {
        if (FStdinClient) {
            watched.push_back({STDIN_FILENO, POLLIN, 0});
        }
        return;
    }
    watched.push_back({FListener.Get(), POLLIN, 0});
    for (const auto& client : FClients) {
        watched.push_back({client->Socket.Get(), POLLIN, 0});
    }
}

void SimControlChannel::Serve(const std::vector<pollfd>& watched) {
    const auto ready = [&](std::size_t i) {
        return FFirst + i < watched.size() && (watched[FFirst + i].revents != 0);
    };
    if (FStdin) {
        if (FStdinClient && ready(0)) {
            ReadFrom(*FStdinClient, STDIN_FILENO);
            if (FStdinClient->Closed) {
                FStdinClient.reset();
            }
        }
        return;
    }
    // Only the clients watched in this round have results; new ones wait for the next.
    for (std::size_t i = 0; i < FClients.size(); ++i) {
        if (ready(1 + i)) {
            ReadFrom(*FClients[i], FClients[i]->Socket.Get());
        }
    }
    std::erase_if(FClients, [](const auto& client) { return client->Closed; });
    if (ready(0)) {
        AcceptClients();
    }
}

void SimControlChannel::AcceptClients() {
    while (true) {
        SimFd socket(::accept4(FListener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket.Valid()) {
            return;
        }
        auto client = std::make_unique<Client>();
        client->Socket = std::move(socket);
        if (FClients.size() >= kMaxClients) {
            Answer(*client, "error: too many control clients");
            continue;
        }
        FClients.push_back(std::move(client));
    }
}

// Reads what is there once (the descriptor said it was ready) and answers every whole line.
void SimControlChannel::ReadFrom(Client& client, int fd) {
    char chunk[512];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        client.Closed = true;
        return;
    }
    for (ssize_t i = 0; i < got && !client.Closed; ++i) {
        const char c = chunk[i];
        if (c != '\n') {
            if (client.Input.size() >= kMaxLine) {
                client.Input.clear();
                client.Discarding = true;
                Answer(client,
                       "error: line longer than " + std::to_string(kMaxLine) + " bytes, ignored");
            }
            if (!client.Discarding) {
                client.Input += c;
            }
            continue;
        }
        if (client.Discarding) {
            client.Discarding = false;
            continue;
        }
        const SimCommands::Answer answer = FCommands.Execute(client.Input);
        client.Input.clear();
        if (!answer.Text.empty()) {
            Answer(client, answer.Text);
        }
        client.Closed = client.Closed || answer.Close;
    }
}

void SimControlChannel::Answer(Client& client, const std::string& text) {
    const std::string line = text + "\n";
    if (!client.Socket.Valid()) {
        FOut << line << std::flush;
        return;
    }
    const ssize_t sent =
        ::send(client.Socket.Get(), line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent != static_cast<ssize_t>(line.size())) {
        client.Closed = true;
    }
}

} // namespace qxsim
