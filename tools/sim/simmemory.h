#pragma once

#include <cstdint>
#include <vector>

namespace qxsim {

// The holding registers a simulated drive answers for. Register words travel as two bytes,
// high byte first, in both directions.
class SimMemory {
public:
    virtual ~SimMemory() = default;
    // True when every register from start on for count registers exists.
    virtual bool Covers(std::uint16_t start, int count) const = 0;
    virtual std::vector<std::uint8_t> Read(std::uint16_t start, int count) const = 0;
    // True when the words may be stored: each lies within its register's limits.
    virtual bool Accepts(std::uint16_t start, const std::uint8_t* words, int count) const = 0;
    virtual void Write(std::uint16_t start, const std::uint8_t* words, int count) = 0;
};

} // namespace qxsim
