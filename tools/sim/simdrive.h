#pragma once

#include "sim/simmemory.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qxsim {

// The Modbus functions a drive answers.
enum SimFunction : std::uint8_t {
    kReadHolding = 3,
    kWriteSingle = 6,
    kWriteMultiple = 16,
    kDeviceVersion = 65,
};

// Answers Modbus requests as a drive does: read holding registers (3), write single (6) and
// multiple registers (16) and the device version (65). The request and the reply are protocol
// data units: function code and data, without address or checksum.
class SimDrive {
public:
    // The ten data bytes of the version reply.
    using VersionBytes = std::array<std::uint8_t, 10>;

    SimDrive(SimMemory& memory, const VersionBytes& version)
        : FMemory(memory)
        , FVersion(version) {}

    std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& request);
    // The reply a busy drive gives to a request.
    static std::vector<std::uint8_t> Busy(const std::vector<std::uint8_t>& request);
    // The exception reply with that code to a request.
    static std::vector<std::uint8_t> Refusal(const std::vector<std::uint8_t>& request,
                                             std::uint8_t code);

private:
    std::vector<std::uint8_t> ReadHolding(const std::vector<std::uint8_t>& request) const;
    std::vector<std::uint8_t> WriteSingle(const std::vector<std::uint8_t>& request);
    std::vector<std::uint8_t> WriteMultiple(const std::vector<std::uint8_t>& request);
    std::vector<std::uint8_t> Version() const;

    SimMemory& FMemory;
    VersionBytes FVersion;
};

} // namespace qxsim
