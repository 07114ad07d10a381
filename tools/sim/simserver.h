#pragma once

#include "sim/simdrive.h"
#include "sim/simendpoint.h"
#include "sim/simlinewriter.h"
#include "sim/simoptions.h"
#include "sim/simpollable.h"
#include "sim/simrequestframer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <vector>

namespace qxsim {

// Serves one simulated drive on a pseudo-terminal (RTU or ASCII) or on loopback TCP until
// SIGINT or SIGTERM. Answers only its own slave address; acts on broadcasts without answering.
// The fault options decide per request, from a seeded generator, whether to stay silent, to
// answer busy or to spoil the reply; a request covering an address of the fault map gets that
// fault instead, every time. SIGUSR1 makes the drive vanish, SIGUSR2 brings it back.
class SimServer {
public:
    // Opens the endpoint; throws std::runtime_error with a one-line reason when it cannot.
    SimServer(const SimOptions& options, SimDrive& drive, std::ostream& log);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Where masters reach the drive: the device path (and link) or host:port.
    std::string Address() const;
    // A further part the loop wakes (the drive model's beat, the control interface); it must
    // outlive the server.
    void Add(SimPollable& part) { FParts.push_back(&part); }
    // Serves until a stop signal; returns the exit code.
    int Run();

    // A reply frame body (slave address, function, data) and how it goes out.
    struct Answer {
        std::vector<std::uint8_t> Body;
        bool Spoilt = false; // sent with a bad checksum, or over TCP another transaction id
        int DelayMs = 0;     // on top of the turnaround and the delay of every reply
    };
    // The answer to a request, or none when the drive stays silent.
    std::optional<Answer> Respond(const std::vector<std::uint8_t>& request);

private:
    struct TcpClient {
        SimFd Socket;
        std::vector<std::uint8_t> Input;
    };

    bool HandleSignal();
    void ServeLine();
    void ServeLineRequests();
    void AcceptClients();
    bool ServeClient(TcpClient& client);
    void Reply(int fd, const std::vector<std::uint8_t>& frame, int delayMs);
    std::vector<std::uint8_t> EncodeSerial(const Answer& answer) const;
    bool Happens(double rate);

    SimOptions FOptions;
    SimDrive& FDrive;
    std::ostream& FLog;
    SimLineWriter FWriter;
    SimFd FSignals;
    std::unique_ptr<SimPtyEndpoint> FPty;
    std::unique_ptr<SimTcpListener> FListener;
    std::vector<std::unique_ptr<TcpClient>> FClients;
    std::vector<SimPollable*> FParts;
    SimRequestFramer FFramer;
    std::mt19937 FRandom;
    bool FVanished = false;
    bool FStopping = false;
};

} // namespace qxsim
