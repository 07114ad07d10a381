#include "params/tkxpar2dpointcls.h"

#include "registers/tkxformatcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

namespace {

double ValueOf(const TkxRegBound* bound, int element) {
    return bound == nullptr ? 0.0 : bound->GetValue(element);
}

std::string DescriptionOf(const TkxRegister* reg, int element) {
    return reg == nullptr ? "xx" : reg->Definition()->GetDescr(element, 0);
}

} // namespace

TkxPar2DPoint::TkxPar2DPoint(TkxRegister* x, std::uint8_t element, TkxRegister* y)
    : TkxParValue(x, element)
    , FSecondRegister(y) {}

bool TkxPar2DPoint::HasBound(TBoundOf bound) const {
    return (Register() != nullptr && (Register()->*bound)() != nullptr) ||
           (FSecondRegister != nullptr && (FSecondRegister->*bound)() != nullptr);
}

TkxPar2DPoint::TPair TkxPar2DPoint::BoundPair(TBoundOf bound) const {
    return {Register() == nullptr ? FStored.first : ValueOf((Register()->*bound)(), Element()),
            FSecondRegister == nullptr ? FStored.second
                                       : ValueOf((FSecondRegister->*bound)(), Element())};
}

std::string TkxPar2DPoint::BoundText(TBoundOf bound) const {
    return HasBound(bound) ? PairText(BoundPair(bound)) : "";
}

std::string TkxPar2DPoint::PairText(const TPair& pair) {
    return TkxFormat::Printf("%.4f|%.4f", {pair.first, pair.second});
}

bool TkxPar2DPoint::HasMax() const {
    return HasBound(&TkxRegister::MaxBound);
}

double TkxPar2DPoint::GetMax() const {
    return BoundPair(&TkxRegister::MaxBound).first;
}

std::string TkxPar2DPoint::GetMaxText() const {
    return BoundText(&TkxRegister::MaxBound);
}

bool TkxPar2DPoint::HasMin() const {
    return HasBound(&TkxRegister::MinBound);
}

double TkxPar2DPoint::GetMin() const {
    return BoundPair(&TkxRegister::MinBound).first;
}

std::string TkxPar2DPoint::GetMinText() const {
    return BoundText(&TkxRegister::MinBound);
}

bool TkxPar2DPoint::HasDflt() const {
    return HasBound(&TkxRegister::DfltBound);
}

double TkxPar2DPoint::GetDflt() const {
    return BoundPair(&TkxRegister::DfltBound).first;
}

std::string TkxPar2DPoint::GetDfltText() const {
    return BoundText(&TkxRegister::DfltBound);
}

std::string TkxPar2DPoint::GetDescription() const {
    return DescriptionOf(Register(), Element()) + "|" + DescriptionOf(FSecondRegister, Element());
}

TkxPar2DPoint::TPair TkxPar2DPoint::GetValuePair() const {
    return {Register() == nullptr ? FStored.first : Register()->GetValueDouble(Element()),
            FSecondRegister == nullptr ? FStored.second
                                       : FSecondRegister->GetValueDouble(Element())};
}

std::string TkxPar2DPoint::GetValueString() const {
    return PairText(GetValuePair());
}

std::string TkxPar2DPoint::SetValueString(std::string_view text) {
    const std::size_t bar = text.find('|');
    if (bar == std::string_view::npos) {
        return "two numbers separated by \"|\", such as 2|3";
    }
    const std::string_view parts[2] = {text.substr(0, bar), text.substr(bar + 1)};
    TkxRegister* const regs[2] = {Register(), FSecondRegister};
    double stored[2] = {FStored.first, FStored.second};
    // Both coordinates are checked before either is stored.
    for (int i = 0; i < 2; ++i) {
        std::string refusal = regs[i] != nullptr ? regs[i]->RefusalOfText(parts[i], Element())
                                                 : RefusalOfNumber(nullptr, parts[i], stored[i]);
        if (!refusal.empty()) {
            return (i == 0 ? "x: " : "y: ") + refusal;
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (regs[i] != nullptr) {
            regs[i]->SetValueText(parts[i], Element(), 0);
        }
    }
    FStored = {stored[0], stored[1]};
    return "";
}

bool TkxPar2DPoint::IsModified() const {
    return TkxParValue::IsModified() ||
           (FSecondRegister != nullptr && FSecondRegister->LastChanged());
}

void TkxPar2DPoint::SetDefault() {
    if (!HasDflt()) {
        return;
    }
    if (Register() != nullptr) {
        Register()->AssignDefault(Element(), 0);
    }
    if (FSecondRegister != nullptr) {
        FSecondRegister->AssignDefault(Element(), 0);
    }
    DoOnChange();
}

std::int32_t TkxPar2DPoint::ReadFromDevice() {
    return ReadRegistersOf(Register(), FSecondRegister);
}

std::int32_t TkxPar2DPoint::WriteToDevice() {
    return WriteRegistersOf(Register(), FSecondRegister);
}
