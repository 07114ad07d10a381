#pragma once

#include <cstdint>
#include <vector>

namespace qxsim {

// The holding registers a simulated drive answers for. The bytes of a register range are laid
// out as the terminal's register buffer lays them out: one word per plain register, two for a
// long, three for a date or a time, high byte first.
class SimMemory {
public:
    virtual ~SimMemory() = default;
    // Bytes of the registers start..start+count-1, or -1 when any of them is not defined.
    virtual int RangeBytes(std::uint16_t start, int count) const = 0;
    virtual std::vector<std::uint8_t> Read(std::uint16_t start, int count) const = 0;
    // True when the bytes may be stored: every value lies within its register's limits.
    virtual bool Accepts(std::uint16_t start, int count, const std::uint8_t* bytes) const = 0;
    virtual void Write(std::uint16_t start, int count, const std::uint8_t* bytes) = 0;
};

} // namespace qxsim
