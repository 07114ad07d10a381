#pragma once

#include "sim/simmemory.h"
#include "sim/simnvstate.h"

#include <ostream>
#include <set>
#include <vector>

class TkxRegDefinition;
class TkxRegDefsList;

namespace qxsim {

// The registers of a definition file as a drive holds them, each at its address on the wire
// with its further words at the addresses after it. Every register starts from its default; a
// register that names an EEPROM copy, and that copy, start from the copy's stored bytes. Writes to
// a copy go to the non-volatile state at once.
class SimRegisterMemory : public SimMemory {
public:
    // The list must be built and outlive the memory; state may be null (nothing persists).
    SimRegisterMemory(const TkxRegDefsList& defs, SimNvState* state, std::ostream& log);

    bool Covers(std::uint16_t start, int count) const override;
    std::vector<std::uint8_t> Read(std::uint16_t start, int count) const override;
    bool Accepts(std::uint16_t start, int count, const std::uint8_t* bytes) const override;
    void Write(std::uint16_t start, int count, const std::uint8_t* bytes) override;

    // Addresses whose bytes persist.
    const std::set<std::uint16_t>& NonVolatile() const { return FNonVolatile; }

    // The drive's own access to a numeric register's element: the raw value as its type reads
    // it, and an update that is no master's write (unchecked, nothing persists). The value
    // stored is clamped to what the type holds.
    std::int64_t RawValue(const TkxRegDefinition& definition, int element) const;
    void StoreRaw(const TkxRegDefinition& definition, int element, std::int64_t raw);

private:
    void PowerUp();
    void StoreDefault(const TkxRegDefinition& definition);
    void RestoreCopy(const TkxRegDefinition& source);
    std::uint8_t* Storage(int address) { return FBytes.data() + 2 * std::size_t(address); }
    const std::uint8_t* Storage(int address) const {
        return FBytes.data() + 2 * std::size_t(address);
    }
    void Persist(std::uint16_t start, int count);

    const TkxRegDefsList& FDefs;
    SimNvState* FState;
    std::ostream& FLog;
    std::vector<std::uint8_t> FBytes;
    std::vector<bool> FCovered; // by address: a word of some register
    std::set<std::uint16_t> FNonVolatile;
};

// The raw value of the element that starts at bytes, as the definition's type reads it.
std::int64_t SimRawOf(const TkxRegDefinition& definition, const std::uint8_t* bytes);

// True when the raw bytes of a definition's elements all lie within its type and its limits.
bool SimValueAllowed(const TkxRegDefinition& definition, const std::uint8_t* bytes);

} // namespace qxsim
