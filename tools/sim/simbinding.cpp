#include "sim/simbinding.h"

#include "sim/simregistermemory.h"

#include "registers/tkxregdefslistcmp.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

namespace qxsim {
namespace {

// A register the file defines with a numeric type, else null.
const TkxRegDefinition* NumericRegister(TkxRegDefsList& defs, const std::string& name) {
    const TkxRegDefinition* definition = defs.Items(defs.IndexOfName(name));
    return definition != nullptr && definition->IsNumeric() ? definition : nullptr;
}

bool ReadNumber(const std::string& text, std::uint32_t limit, std::uint32_t& out) {
    return TextToInt(text, out) && out <= limit;
}

} // namespace

SimBinding::SimBinding(TkxRegDefsList& defs, std::string_view name, SimBindingKind kind)
    : FKind(kind) {
    const std::vector<std::string> items =
        SplitCommaText(defs.ReadString("Parameters", std::string(name), ""));
    const std::size_t expected = kind == SimBindingKind::Value ? 2 : 3;
    if (items.size() != expected) {
        return;
    }
    const TkxRegDefinition* first = NumericRegister(defs, items[0]);
    const TkxRegDefinition* second = nullptr;
    if (kind == SimBindingKind::Long) {
        second = NumericRegister(defs, items[1]);
        if (second == nullptr) {
            return;
        }
    }
    std::uint32_t element = 0;
    const std::string& elementItem = kind == SimBindingKind::Long ? items[2] : items[1];
    if (first == nullptr || !ReadNumber(elementItem, 255, element) ||
        int(element) >= first->Length() || (second && int(element) >= second->Length())) {
        return;
    }
    std::uint32_t mask = 0;
    if (kind == SimBindingKind::Bits && (!ReadNumber(items[2], UINT32_MAX, mask) || mask == 0)) {
        return;
    }
    if (kind == SimBindingKind::Flag) {
        std::uint32_t bit = 0;
        if (!ReadNumber(items[2], std::uint32_t(first->ElementBytes() * 8 - 1), bit)) {
            return;
        }
        mask = std::uint32_t{1} << bit;
    }
    FRegister = first;
    FHigh = second;
    FElement = int(element);
    FMask = mask;
}

double SimBinding::Get(const SimRegisterMemory& memory, double fallback) const {
    if (!Bound()) {
        return fallback;
    }
    const std::int64_t raw = memory.RawValue(*FRegister, FElement);
    switch (FKind) {
    case SimBindingKind::Value: {
        // A file's odd norm (zero, say) gives no value rather than an infinite one.
        const double value = double(raw) / FRegister->FormatNorm() + FRegister->FormatOffset();
        return std::isfinite(value) ? value : fallback;
    }
    case SimBindingKind::Long: {
        const std::int64_t high = memory.RawValue(*FHigh, FElement);
        return double(std::int32_t(std::uint32_t(high) << 16 | (std::uint32_t(raw) & 0xFFFF)));
    }
    case SimBindingKind::Bits:
    case SimBindingKind::Flag:
        return double((std::uint32_t(raw) & FMask) >> std::countr_zero(FMask));
    }
    return fallback;
}

void SimBinding::Set(SimRegisterMemory& memory, double value) const {
    if (!Bound() || !std::isfinite(value)) {
        return;
    }
    switch (FKind) {
    case SimBindingKind::Value:
        memory.StoreRaw(
            *FRegister, FElement,
            std::llround(std::clamp((value - FRegister->FormatOffset()) * FRegister->FormatNorm(),
                                    -4294967296.0, 4294967296.0)));
        return;
    case SimBindingKind::Long: {
        const auto bits =
            std::uint32_t(std::llround(std::clamp(value, -2147483648.0, 2147483647.0)));
        // Each half as its register's type reads it, so that a clamp keeps it.
        const auto half = [](const TkxRegDefinition& d, std::uint32_t word) {
            return d.IsSigned() ? std::int64_t(std::int16_t(word)) : std::int64_t(word);
        };
        memory.StoreRaw(*FRegister, FElement, half(*FRegister, bits & 0xFFFF));
        memory.StoreRaw(*FHigh, FElement, half(*FHigh, bits >> 16));
        return;
    }
    case SimBindingKind::Bits:
    case SimBindingKind::Flag: {
        const auto field = (std::uint32_t(std::llround(std::clamp(value, 0.0, 4294967295.0)))
                            << std::countr_zero(FMask)) &
                           FMask;
        const auto raw = std::uint32_t(memory.RawValue(*FRegister, FElement));
        const std::uint32_t word = (raw & ~FMask) | field;
        memory.StoreRaw(*FRegister, FElement,
                        FRegister->IsSigned() && FRegister->Size() != 4
                            ? std::int64_t(std::int16_t(word))
                            : std::int64_t(word));
        return;
    }
    }
}

} // namespace qxsim
