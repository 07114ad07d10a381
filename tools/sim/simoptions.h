#pragma once

#include "sim/simfaultmap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qxsim {

enum class SimTransport { Pty, Tcp };

// Everything the simulator is told on its command line.
struct SimOptions {
    std::string DefsFile;
    std::string Version = "QX440v100";
    int Slave = 1;
    SimTransport Transport = SimTransport::Pty;
    bool Ascii = false;
    std::string Link;       // stable symlink to the pseudo-terminal
    int TcpPort = 0;        // 0 lets the system pick a free port
    std::string StateFile;  // non-volatile memory; empty keeps it in memory only
    int Baud = 0;           // 0 answers as fast as possible
    int TurnaroundMs = 0;   // pause between a request and its reply
    int DelayMs = 0;        // extra delay of every reply
    double DropRate = 0;    // share of requests left unanswered
    double CorruptRate = 0; // share of replies sent with a bad checksum
    double BusyRate = 0;    // share of requests answered with exception 6
    std::uint32_t Seed = 1; // for the fault decisions, so that runs repeat
    SimFaultMap Faults;     // faults of every request that covers an address
    bool Demo = false;      // a drive to try the terminal on, with defaults for the rest
    std::string Control;    // the control interface: a socket path, or "-" for stdin
    int Speedup = 1;        // model steps per step of wall time
};

// What --demo takes when the command line says nothing else.
inline constexpr const char* kDemoDefsName = "qx460v4xx.par";
inline constexpr const char* kDemoVersion = "QX460v402";
inline constexpr const char* kDemoLink = "/tmp/qxdrive-demo";

// Reads the whole text as a decimal number from low to high.
bool SimParseInt(std::string_view text, int low, int high, int& out);

// The usage text printed for --help and after a bad argument.
std::string SimUsage();

// Parses the arguments after the program name; on failure returns nothing and sets error to a
// one-line reason.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

} // namespace qxsim
