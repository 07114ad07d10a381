#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qxsim {

// A program run to its end, with what it printed on stdout and stderr together.
struct SimRunResult {
    int ExitCode = -1;
    std::string Output;
};

// Runs a program (searched on PATH) and waits at most the timeout; a program still running
// then is killed and reported with exit code -1.
SimRunResult RunProgram(const std::vector<std::string>& args, std::chrono::milliseconds timeout);

// True when a program of that name is on PATH.
bool HaveProgram(const std::string& name);

// The simulator running in the background for one test: started from the build tree, its first
// line read to learn where it serves, stopped with SIGTERM when the object goes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return FPid > 0; }
    // The first line it printed, or what it printed before it failed.
    const std::string& Banner() const { return FBanner; }
    // The TCP port of a banner "... on 127.0.0.1:PORT", else 0.
    int TcpPort() const;
    void Signal(int signal) const;
    // Waits at most the timeout until it has printed the text after its banner; true once it
    // has.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Stops it and returns its exit code and everything it printed after the banner.
    SimRunResult Stop();

private:
    int FPid = -1;
    int FOutput = -1;
    std::string FBanner;
    std::string FPrinted; // what it printed after the banner, as far as it has been read
};

// The simulator's path in the build tree.
std::string SimulatorPath();

} // namespace qxsim
