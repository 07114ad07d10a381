#pragma once

#include "sim/simendpoint.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qxsim {

// A plain Modbus TCP master for the simulator tests: one connection to 127.0.0.1, slave 1,
// holding registers read and written one request at a time, each waiting two seconds at most.
class SimTestMaster {
public:
    explicit SimTestMaster(int port);

    bool Connected() const { return FSocket.Valid(); }
    // The registers, or nothing when the drive did not answer them.
    std::optional<std::vector<std::uint16_t>> Read(int start, int count);
    // One register, -1 when it could not be read.
    int Get(int address);
    // One value with function 6, several with function 16; false unless the drive confirms.
    bool Write(int address, const std::vector<std::uint16_t>& values);
    bool Write(int address, std::uint16_t value) {
        return Write(address, std::vector<std::uint16_t>{value});
    }
    // A 32-bit value over a low register and the high one after it, in one request.
    bool WriteLong(int low, std::int32_t value);
    // Polls the register until the test holds or the time is over; true once it held.
    bool WaitFor(int address, const std::function<bool(int)>& test,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    std::optional<std::vector<std::uint8_t>> Ask(const std::vector<std::uint8_t>& pdu);

    SimFd FSocket;
    std::uint16_t FTransaction = 0;
};

// A client of the simulator's control socket: one command line sent, its answer line back.
class SimTestControl {
public:
    explicit SimTestControl(const std::string& path);
    bool Connected() const { return FSocket.Valid(); }
    // The answer without its line end; empty when none came within two seconds.
    std::string Send(const std::string& line);

private:
    SimFd FSocket;
    std::string FPending;
};

} // namespace qxsim
