#pragma once

#include <cstdint>
#include <string_view>

class TkxRegDefinition;
class TkxRegDefsList;

namespace qxsim {

class SimRegisterMemory;

// How a "Parameters" entry is read, as the drive classes read it: a value of one register
// element ("register, element"), a signed 32-bit value over a low and a high register ("low,
// high, element"), the bits under a mask ("register, element, mask") or one bit ("register,
// element, bit").
enum class SimBindingKind { Value, Long, Bits, Flag };

// One "Parameters" entry of a definition file bound to the simulator's registers by name. An
// entry that is missing, has another shape, names a register the file lacks or one that holds
// no number leaves the binding unbound: it reads as the fallback and ignores writes.
class SimBinding {
public:
    SimBinding() = default;
    SimBinding(TkxRegDefsList& defs, std::string_view name, SimBindingKind kind);

    bool Bound() const { return FRegister != nullptr; }
    // A value in display units (raw / norm + offset), a long as its 32-bit value, bits under
    // the mask moved down to bit 0, a flag as 0 or 1; always finite.
    double Get(const SimRegisterMemory& memory, double fallback = 0) const;
    bool On(const SimRegisterMemory& memory) const { return Get(memory) != 0; }
    // Rounded to the register's steps and clamped to what its type holds; the other bits of a
    // field's register stay.
    void Set(SimRegisterMemory& memory, double value) const;

private:
    const TkxRegDefinition* FRegister = nullptr;
    const TkxRegDefinition* FHigh = nullptr;
    SimBindingKind FKind = SimBindingKind::Value;
    int FElement = 0;
    std::uint32_t FMask = 0;
};

} // namespace qxsim
