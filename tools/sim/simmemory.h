#pragma once

#include <cstdint>
#include <vector>

namespace qxsim {

// The holding registers a simulated drive answers for, as a standard device holds them: one
// 16-bit word per address, high byte first. A long takes two addresses (high word first), a
// date or a time three, a string one per character, an array one register per element word.
class SimMemory {
public:
    virtual ~SimMemory() = default;
    // True when every address start..start+count-1 is a word of some register.
    virtual bool Covers(std::uint16_t start, int count) const = 0;
    // The 2 * count bytes of the words start..start+count-1.
    virtual std::vector<std::uint8_t> Read(std::uint16_t start, int count) const = 0;
    // True when the words may be stored: every register they touch, with its other words as
    // they are, lies within its type and its limits.
    virtual bool Accepts(std::uint16_t start, int count, const std::uint8_t* bytes) const = 0;
    virtual void Write(std::uint16_t start, int count, const std::uint8_t* bytes) = 0;
};

} // namespace qxsim
