#pragma once

#include "sim/simcommands.h"
#include "sim/simendpoint.h"
#include "sim/simpollable.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace qxsim {

// Where the control interface's lines come from: standard input ("-"), answered on the
// simulator's output, or a Unix socket at a path that accepts several clients, each answered
// on its own connection. Lines longer than a limit are refused whole; a client that does not
// take its answers is dropped rather than allowed to stall the drive.
class SimControlChannel : public SimPollable {
public:
    // Throws std::runtime_error with a one-line reason when the socket cannot be made; a stale
    // socket left at the path by a simulator that died is replaced.
    SimControlChannel(const std::string& where, SimCommands& commands, std::ostream& out);
    ~SimControlChannel() override;
    SimControlChannel(const SimControlChannel&) = delete;
    SimControlChannel& operator=(const SimControlChannel&) = delete;

    // "standard input" or the socket's path.
    std::string Address() const;

    void Watch(std::vector<pollfd>& watched) override;
    void Serve(const std::vector<pollfd>& watched) override;

    static constexpr std::size_t kMaxLine = 1024;
    static constexpr std::size_t kMaxClients = 8;

private:
    struct Client {
        SimFd Socket; // invalid for standard input
        std::string Input;
        bool Discarding = false; // inside a line that was too long
        bool Closed = false;
    };

    void Listen(const std::string& path);
    void AcceptClients();
    void ReadFrom(Client& client, int fd);
    void Answer(Client& client, const std::string& text);

    SimCommands& FCommands;
    std::ostream& FOut;
    std::string FPath;
    SimFd FListener;
    bool FStdin = false;
    std::unique_ptr<Client> FStdinClient;
    std::vector<std::unique_ptr<Client>> FClients;
    std::size_t FFirst = 0; // index of its first descriptor in the watched list
};

} // namespace qxsim
