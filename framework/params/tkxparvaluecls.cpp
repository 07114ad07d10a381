#include "params/tkxparvaluecls.h"

#include "devices/tkxdeviceslavecls.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <charconv>
#include <cmath>

namespace {

TkxDeviceSlave* DeviceOf(const TkxRegister* reg) {
    return reg == nullptr ? nullptr : dynamic_cast<TkxDeviceSlave*>(reg->Owner());
}

double BoundValue(const TkxRegBound* bound, int element) {
    return bound == nullptr ? 0.0 : bound->GetValue(element);
}

// A whole text read as a decimal number with an optional exponent ("1.5E-5").
bool ReadPlainNumber(std::string_view text, double& value) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double result = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(result)) {
        return false;
    }
    value = result;
    return true;
}

} // namespace

TkxParValue::TkxParValue(TkxRegister* reg, std::uint8_t element)
    : FElement(element)
    , FRegister(reg) {}

bool TkxParValue::HasMax() const {
    return FRegister != nullptr && FRegister->MaxBound() != nullptr;
}

double TkxParValue::GetMax() const {
    return FRegister == nullptr ? 0.0 : BoundValue(FRegister->MaxBound(), FElement);
}

std::string TkxParValue::GetMaxText() const {
    return HasMax() ? FormatIn(FRegister, GetMax()) : "";
}

bool TkxParValue::HasMin() const {
    return FRegister != nullptr && FRegister->MinBound() != nullptr;
}

double TkxParValue::GetMin() const {
    return FRegister == nullptr ? 0.0 : BoundValue(FRegister->MinBound(), FElement);
}

std::string TkxParValue::GetMinText() const {
    return HasMin() ? FormatIn(FRegister, GetMin()) : "";
}

bool TkxParValue::HasDflt() const {
    return FRegister != nullptr && FRegister->DfltBound() != nullptr;
}

double TkxParValue::GetDflt() const {
    return FRegister == nullptr ? 0.0 : BoundValue(FRegister->DfltBound(), FElement);
}

std::string TkxParValue::GetDfltText() const {
    return HasDflt() ? FormatIn(FRegister, GetDflt()) : "";
}

void TkxParValue::SetValueDouble(double value) {
    if (FRegister == nullptr || !std::isfinite(value)) {
        return;
    }
    FRegister->SetValueDouble(FElement, value);
    DoOnChange();
}

double TkxParValue::GetValueDouble() const {
    return FRegister == nullptr ? 0.0 : FRegister->GetValueDouble(FElement);
}

std::string TkxParValue::GetDescription() const {
    return FRegister == nullptr ? "" : FRegister->Definition()->GetDescr(FElement, 0);
}

std::string TkxParValue::GetValueString() const {
    return FRegister == nullptr ? "" : FRegister->GetValueText(FElement, 0);
}

std::string TkxParValue::SetValueString(std::string_view text) {
    if (FRegister == nullptr) {
        return NoRegisterRefusal;
    }
    std::string refusal = FRegister->RefusalOfText(text, FElement);
    if (!refusal.empty()) {
        return refusal;
    }
    FRegister->SetValueText(text, FElement, 0);
    DoOnChange();
    return "";
}

bool TkxParValue::IsModified() const {
    return FRegister != nullptr && FRegister->LastChanged();
}

void TkxParValue::SetDefault() {
    if (FRegister == nullptr) {
        return;
    }
    FRegister->AssignDefault(FElement, 0);
    DoOnChange();
}

void TkxParValue::FillItems(TkxParItems* items, bool withLimits) const {
    if (items != nullptr && FRegister != nullptr) {
        FillLimitItems(*items, withLimits);
    }
}

void TkxParValue::FillLimitItems(TkxParItems& items, bool withLimits) const {
    items.clear();
    if (!withLimits) {
        return;
    }
    if (HasDflt()) {
        items.push_back({GetDfltText() + " (dflt)", TkxParItem::DefaultCode});
    }
    if (HasMin()) {
        items.push_back({GetMinText() + " (min)", TkxParItem::MinimumCode});
    }
    if (HasMax()) {
        items.push_back({GetMaxText() + " (max)", TkxParItem::MaximumCode});
    }
}

void TkxParValue::AddToList(std::vector<std::string>& strings) const {
    if (FRegister != nullptr) {
        strings.push_back(TkxFormat::Printf("%40s: %s", {GetDescription(), GetValueString()}));
    }
}

std::int32_t TkxParValue::ReadFromDevice() {
    return ReadRegisterOf(FRegister);
}

std::int32_t TkxParValue::WriteToDevice() {
    return WriteRegisterOf(FRegister);
}

TkxDeviceSlave* TkxParValue::GetDevice() const {
    return DeviceOf(FRegister);
}

void TkxParValue::DoOnChange() {
    if (OnChange) {
        OnChange(this);
    }
}

std::string TkxParValue::FormatIn(const TkxRegister* reg, double value) {
    return TkxFormat::FormatFloat(reg == nullptr ? "" : reg->Definition()->FormatString(), value);
}

std::string TkxParValue::RefusalOfLimits(double value) const {
    if (HasMin() && value < GetMin()) {
        return "at least " + GetMinText();
    }
    if (HasMax() && value > GetMax()) {
        return "at most " + GetMaxText();
    }
    return "";
}

bool TkxParValue::ReadNumber(const TkxRegister* reg, std::string_view text, double& value) {
    if (reg != nullptr) {
        if (const auto number = reg->NumberOfText(text)) {
            value = *number;
            return true;
        }
    }
    return ReadPlainNumber(text, value);
}

std::string TkxParValue::RefusalOfNumber(const TkxRegister* reg, std::string_view text,
                                         double& value) {
    if (ReadNumber(reg, text, value)) {
        return "";
    }
    // What is no number to the parameter is none to its register either, which names the unit.
    std::string refusal = reg == nullptr ? "" : reg->RefusalOfText(text);
    return refusal.empty() ? "a number" : refusal;
}

std::int32_t TkxParValue::ReadRegisterOf(const TkxRegister* reg) {
    TkxDeviceSlave* device = DeviceOf(reg);
    return device == nullptr ? 0 : device->ReadRegister(*reg, true);
}

std::int32_t TkxParValue::WriteRegisterOf(const TkxRegister* reg) {
    TkxDeviceSlave* device = DeviceOf(reg);
    return device == nullptr ? 0 : device->WriteRegister(*reg, true);
}

std::int32_t TkxParValue::ReadRegistersOf(const TkxRegister* first, const TkxRegister* second) {
    const std::int32_t result = ReadRegisterOf(first);
    return result != 0 ? result : ReadRegisterOf(second);
}

std::int32_t TkxParValue::WriteRegistersOf(const TkxRegister* first, const TkxRegister* second) {
    const std::int32_t result = WriteRegisterOf(first);
    return result != 0 ? result : WriteRegisterOf(second);
}

std::uint16_t TkxParValue::GetWord(const TkxRegister& reg, int element) {
    return static_cast<std::uint16_t>(reg.GetValueInteger(element));
}

// A signed register takes the bits as a negative number, or it would clamp them to 32767.
void TkxParValue::SetWord(TkxRegister& reg, int element, std::uint16_t word) {
    reg.SetValueInteger(element, reg.Definition()->IsSigned()
                                     ? std::int32_t{static_cast<std::int16_t>(word)}
                                     : std::int32_t{word});
}
