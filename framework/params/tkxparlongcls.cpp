#include "params/tkxparlongcls.h"

#include "registers/tkxregistercls.h"

#include <cmath>
#include <cstdint>

namespace {

// A bound truncated to an integer and cut to 16 bits; 0 when there is none.
std::uint32_t BoundWord(const TkxRegBound* bound, int element) {
    if (bound == nullptr) {
        return 0;
    }
    const double value = std::trunc(bound->GetValue(element));
    if (!std::isfinite(value) || std::fabs(value) > 2147483647.0) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) & 0xFFFFU;
}

} // namespace

TkxParLong::TkxParLong(TkxRegister* low, std::uint8_t element, TkxRegister* high)
    : TkxParValue(low, element)
    , FHighRegister(high) {}

bool TkxParLong::HasBound(TBoundOf bound) const {
    if (Register() == nullptr || (Register()->*bound)() == nullptr) {
        return false;
    }
    return FHighRegister == nullptr || (FHighRegister->*bound)() != nullptr;
}

double TkxParLong::CombinedBound(TBoundOf bound) const {
    if (Register() == nullptr) {
        return 0.0;
    }
    std::uint32_t value = BoundWord((Register()->*bound)(), Element());
    if (FHighRegister != nullptr) {
        value |= BoundWord((FHighRegister->*bound)(), Element()) << 16;
    }
    return FHighRegister != nullptr ? static_cast<double>(static_cast<std::int32_t>(value))
                                    : static_cast<double>(value);
}

std::string TkxParLong::TextOf(double value) const {
    return FormatIn(Register(), value);
}

bool TkxParLong::HasMax() const {
    return HasBound(&TkxRegister::MaxBound);
}

double TkxParLong::GetMax() const {
    return CombinedBound(&TkxRegister::MaxBound);
}

std::string TkxParLong::GetMaxText() const {
    return HasMax() ? TextOf(GetMax()) : "";
}

bool TkxParLong::HasMin() const {
    return HasBound(&TkxRegister::MinBound);
}

double TkxParLong::GetMin() const {
    return CombinedBound(&TkxRegister::MinBound);
}

std::string TkxParLong::GetMinText() const {
    return HasMin() ? TextOf(GetMin()) : "";
}

bool TkxParLong::HasDflt() const {
    return HasBound(&TkxRegister::DfltBound);
}

double TkxParLong::GetDflt() const {
    return CombinedBound(&TkxRegister::DfltBound);
}

std::string TkxParLong::GetDfltText() const {
    return HasDflt() ? TextOf(GetDflt()) : "";
}

std::int32_t TkxParLong::GetValueLong() const {
    if (Register() == nullptr) {
        return 0;
    }
    std::uint32_t value = GetWord(*Register(), Element());
    if (FHighRegister != nullptr) {
        value |= std::uint32_t{GetWord(*FHighRegister, Element())} << 16;
    }
    return static_cast<std::int32_t>(value);
}

void TkxParLong::SetValueLong(std::int32_t value) {
    if (Register() == nullptr) {
        return;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    SetWord(*Register(), Element(), static_cast<std::uint16_t>(bits & 0xFFFFU));
    if (FHighRegister != nullptr) {
        SetWord(*FHighRegister, Element(), static_cast<std::uint16_t>(bits >> 16));
    }
    DoOnChange();
}

void TkxParLong::SetValueDouble(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    const double whole = std::trunc(value);
    // Beyond 32 bits the conversion would be undefined; the nearest end of the range it is.
    SetValueLong(whole >= 2147483647.0    ? INT32_MAX
                 : whole <= -2147483648.0 ? INT32_MIN
                                          : static_cast<std::int32_t>(whole));
}

double TkxParLong::GetValueDouble() const {
    const std::int32_t value = GetValueLong();
    return FHighRegister != nullptr ? static_cast<double>(value)
                                    : static_cast<double>(static_cast<std::uint32_t>(value));
}

std::string TkxParLong::GetValueString() const {
    return Register() == nullptr ? "" : TextOf(GetValueDouble());
}

std::string TkxParLong::SetValueString(std::string_view text) {
    if (Register() == nullptr) {
        return NoRegisterRefusal;
    }
    double value = 0.0;
    if (!ReadNumber(Register(), text, value) || value != std::trunc(value)) {
        return "a whole number";
    }
    // With both halves the bits of an unsigned 32-bit number are taken as well ("0xFFFFFFFF").
    const double lowest = FHighRegister != nullptr ? -2147483648.0 : 0.0;
    const double highest = FHighRegister != nullptr ? 4294967295.0 : 65535.0;
    if (value < lowest || value > highest) {
        return FHighRegister != nullptr ? "a whole number from -2147483648 to 4294967295"
                                        : "a whole number from 0 to 65535";
    }
    const auto bits =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
    std::string refusal = RefusalOfLimits(FHighRegister != nullptr ? bits : value);
    if (!refusal.empty()) {
        return refusal;
    }
    SetValueLong(bits);
    return "";
}

bool TkxParLong::IsModified() const {
    return TkxParValue::IsModified() || (FHighRegister != nullptr && FHighRegister->LastChanged());
}

void TkxParLong::SetDefault() {
    if (Register() == nullptr) {
        return;
    }
    Register()->AssignDefault(Element(), 0);
    if (FHighRegister != nullptr) {
        FHighRegister->AssignDefault(Element(), 0);
    }
    DoOnChange();
}

std::int32_t TkxParLong::ReadFromDevice() {
    return ReadRegistersOf(Register(), FHighRegister);
}

std::int32_t TkxParLong::WriteToDevice() {
    return WriteRegistersOf(Register(), FHighRegister);
}
