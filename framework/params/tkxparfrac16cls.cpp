#include "params/tkxparfrac16cls.h"

#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double MantissaUnit = 32768.0;

// An exponent bound in raw register units, cut toward zero as the register cuts its limits.
double RawExponent(const TkxRegister& reg, const TkxRegBound& bound, int element) {
    const TkxRegDefinition& def = *reg.Definition();
    return std::trunc((bound.GetValue(element) - def.FormatOffset()) * def.FormatNorm());
}

} // namespace

TkxParFrac16::TkxParFrac16(TkxRegister* mantissa, std::uint8_t element, TkxRegister* exponent)
    : TkxParValue(mantissa, element)
    , FExpRegister(exponent) {}

double TkxParFrac16::BoundValue(TBoundOf bound, TBoundOf exponentBound) const {
    if (Register() == nullptr) {
        return 0.0;
    }
    const TkxRegBound* mantissa = (Register()->*bound)();
    double value = mantissa == nullptr ? 0.0 : mantissa->GetValue(Element());
    if (FExpRegister != nullptr && exponentBound != nullptr) {
        if (const TkxRegBound* exponent = (FExpRegister->*exponentBound)()) {
            value *= std::exp2(exponent->GetValue(Element()));
        }
    }
    return value * FScale;
}

double TkxParFrac16::GetMax() const {
    return BoundValue(&TkxRegister::MaxBound, &TkxRegister::MaxBound);
}

double TkxParFrac16::GetMin() const {
    const bool bothExponentBounds = FExpRegister != nullptr &&
                                    FExpRegister->MinBound() != nullptr &&
                                    FExpRegister->MaxBound() != nullptr;
    return BoundValue(&TkxRegister::MinBound,
                      bothExponentBounds ? &TkxRegister::MaxBound : nullptr);
}

double TkxParFrac16::GetDflt() const {
    return BoundValue(&TkxRegister::DfltBound, &TkxRegister::DfltBound);
}

void TkxParFrac16::ExponentRange(int& lowest, int& highest) const {
    lowest = 0;
    highest = 0;
    if (FExpRegister == nullptr) {
        return;
    }
    const TkxRegDefinition& def = *FExpRegister->Definition();
    const int bits = std::min((def.Size() > 0 ? def.Size() : def.ElementBytes()) * 8, 32);
    double low = def.IsSigned() ? -std::ldexp(1.0, bits - 1) : 0.0;
    double high = def.IsSigned() ? std::ldexp(1.0, bits - 1) - 1 : std::ldexp(1.0, bits) - 1;
    // The register would clamp an exponent outside its limits and so change the value.
    if (FExpRegister->HasLimits()) {
        if (const TkxRegBound* bound = FExpRegister->MinBound()) {
            low = std::max(low, RawExponent(*FExpRegister, *bound, Element()));
        }
        if (const TkxRegBound* bound = FExpRegister->MaxBound()) {
            high = std::min(high, RawExponent(*FExpRegister, *bound, Element()));
        }
    }
    // No finite double needs more than about 1100 halvings or doublings.
    constexpr double reach = 1 << 16;
    lowest = static_cast<int>(std::clamp(low, -reach, reach));
    highest = static_cast<int>(std::clamp(high, -reach, reach));
}

void TkxParFrac16::SetValueDouble(double value) {
    if (Register() == nullptr || !std::isfinite(value)) {
        return;
    }
    // The limits include Scale, so they apply before the value is divided by it.
    if (Register()->HasLimits()) {
        if (HasMax() && value > GetMax()) {
            value = GetMax();
        }
        if (HasMin() && value < GetMin()) {
            value = GetMin();
        }
    }
    if (FScale != 0.0) {
        value /= FScale;
    }
    if (!std::isfinite(value)) {
        return;
    }
    if (FExpRegister != nullptr) {
        int lowest = 0;
        int highest = 0;
        ExponentRange(lowest, highest);
        // An unsigned exponent starts its range at 0, so only a signed one goes below.
        int exponent = 0;
        if (value != 0.0) {
            while (exponent > lowest && value >= -1.0 && value < 1.0) {
                value *= 2.0;
                --exponent;
            }
            while (exponent < highest && (value >= 1.0 || value < -1.0)) {
                value /= 2.0;
                ++exponent;
            }
        }
        // An exponent its limits keep away from 0 moves the point of the mantissa instead.
        if (exponent < lowest || exponent > highest) {
            const int kept = exponent < lowest ? lowest : highest;
            value = std::ldexp(value, exponent - kept);
            exponent = kept;
        }
        FExpRegister->SetValueInteger(Element(), exponent);
    }
    const double raw = std::clamp(std::trunc(value * MantissaUnit), -32768.0, 32767.0);
    SetWord(*Register(), Element(), static_cast<std::uint16_t>(static_cast<std::int16_t>(raw)));
    DoOnChange();
}

double TkxParFrac16::GetValueDouble() const {
    if (Register() == nullptr) {
        return 0.0;
    }
    const double mantissa = static_cast<std::int16_t>(GetWord(*Register(), Element()));
    int exponent = 0;
    if (FExpRegister != nullptr) {
        try {
            exponent = FExpRegister->GetValueInteger(Element());
        } catch (const ETkxError&) {
            exponent = 0;
        }
    }
    return std::ldexp(mantissa / MantissaUnit, exponent) * FScale;
}

std::string TkxParFrac16::GetValueString() const {
    return Register() == nullptr ? "" : FormatIn(Register(), GetValueDouble());
}

std::string TkxParFrac16::SetValueString(std::string_view text) {
    if (Register() == nullptr) {
        return NoRegisterRefusal;
    }
    double value = 0.0;
    std::string refusal = RefusalOfNumber(Register(), text, value);
    if (refusal.empty()) {
        refusal = RefusalOfLimits(value);
    }
    if (refusal.empty()) {
        // The largest exponent with a full mantissa; the mantissa's last step is rounding.
        int lowest = 0;
        int highest = 0;
        ExponentRange(lowest, highest);
        const double reach = std::ldexp(FScale != 0.0 ? std::fabs(FScale) : 1.0, highest);
        if (std::fabs(value) > reach) {
            refusal = "a number from " + FormatIn(Register(), -reach) + " to " +
                      FormatIn(Register(), reach);
        }
    }
    if (refusal.empty()) {
        SetValueDouble(value);
    }
    return refusal;
}

bool TkxParFrac16::IsModified() const {
    return TkxParValue::IsModified() || (FExpRegister != nullptr && FExpRegister->LastChanged());
}

void TkxParFrac16::SetDefault() {
    if (!HasDflt()) {
        return;
    }
    Register()->AssignDefault(Element(), 0);
    if (FExpRegister != nullptr) {
        FExpRegister->AssignDefault(Element(), 0);
    }
    DoOnChange();
}

std::int32_t TkxParFrac16::ReadFromDevice() {
    return Register() == nullptr ? 0 : ReadRegistersOf(Register(), FExpRegister);
}

std::int32_t TkxParFrac16::WriteToDevice() {
    return Register() == nullptr ? 0 : WriteRegistersOf(Register(), FExpRegister);
}
