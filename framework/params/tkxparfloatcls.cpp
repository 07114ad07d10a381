#include "params/tkxparfloatcls.h"

#include "base/tkxmbresultcodes.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double FloatMax = std::numeric_limits<float>::max();

} // namespace

TkxParFloat::TkxParFloat(TkxRegister* low, std::uint8_t element, TkxRegister* high)
    : TkxParValue(low, element)
    , FHighRegister(high) {}

bool TkxParFloat::HasBound(TBoundOf bound) const {
    if (Register() == nullptr) {
        return false;
    }
    return (Register()->*bound)() != nullptr ||
           (FHighRegister != nullptr && (FHighRegister->*bound)() != nullptr);
}

double TkxParFloat::BoundOrValue(TBoundOf bound) const {
    if (Register() == nullptr) {
        return 0.0;
    }
    if (const TkxRegBound* low = (Register()->*bound)()) {
        return low->GetValue(Element());
    }
    if (FHighRegister != nullptr) {
        if (const TkxRegBound* high = (FHighRegister->*bound)()) {
            return high->GetValue(Element());
        }
    }
    return GetValueDouble();
}

bool TkxParFloat::HasMax() const {
    return HasBound(&TkxRegister::MaxBound);
}

double TkxParFloat::GetMax() const {
    return BoundOrValue(&TkxRegister::MaxBound);
}

bool TkxParFloat::HasMin() const {
    return HasBound(&TkxRegister::MinBound);
}

double TkxParFloat::GetMin() const {
    return BoundOrValue(&TkxRegister::MinBound);
}

bool TkxParFloat::HasDflt() const {
    return HasBound(&TkxRegister::DfltBound);
}

double TkxParFloat::GetDflt() const {
    return BoundOrValue(&TkxRegister::DfltBound);
}

void TkxParFloat::SetValueDouble(double value) {
    if (Register() == nullptr || !std::isfinite(value)) {
        return;
    }
    // Converting a double beyond the range of float is undefined; the nearest end it is.
    const auto single = static_cast<float>(std::clamp(value, -FloatMax, FloatMax));
    const auto bits = std::bit_cast<std::uint32_t>(single);
    SetWord(*Register(), Element(), static_cast<std::uint16_t>(bits & 0xFFFFU));
    if (FHighRegister != nullptr) {
        SetWord(*FHighRegister, Element(), static_cast<std::uint16_t>(bits >> 16));
    }
    DoOnChange();
}

double TkxParFloat::GetValueDouble() const {
    if (Register() == nullptr) {
        return 0.0;
    }
    std::uint32_t bits = GetWord(*Register(), Element());
    if (FHighRegister != nullptr) {
        bits |= std::uint32_t{GetWord(*FHighRegister, Element())} << 16;
    }
    return std::bit_cast<float>(bits);
}

std::string TkxParFloat::GetValueString() const {
    return Register() == nullptr ? "" : FormatIn(Register(), GetValueDouble());
}

std::string TkxParFloat::SetValueString(std::string_view text) {
    if (Register() == nullptr) {
        return NoRegisterRefusal;
    }
    double value = 0.0;
    std::string refusal = RefusalOfNumber(Register(), text, value);
    if (refusal.empty() && std::fabs(value) > FloatMax) {
        refusal = "a number from -3.4E38 to 3.4E38";
    }
    if (refusal.empty()) {
        refusal = RefusalOfLimits(value);
    }
    if (refusal.empty()) {
        SetValueDouble(value);
    }
    return refusal;
}

bool TkxParFloat::IsModified() const {
    return TkxParValue::IsModified() || (FHighRegister != nullptr && FHighRegister->LastChanged());
}

void TkxParFloat::SetDefault() {
    SetValueDouble(GetDflt());
}

std::int32_t TkxParFloat::ReadFromDevice() {
    return Register() == nullptr ? 0 : ReadRegistersOf(Register(), FHighRegister);
}

std::int32_t TkxParFloat::WriteToDevice() {
    if (Register() == nullptr) {
        return 0;
    }
    if (!std::isfinite(GetValueDouble())) {
        return TkxMBResult::InvalidSetup;
    }
    return WriteRegistersOf(Register(), FHighRegister);
}
