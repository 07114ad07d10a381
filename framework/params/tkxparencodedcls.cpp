#include "params/tkxparencodedcls.h"

#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// Ranges up to this many codes are asked code by code, so that a "v*" description lists
// them all; wider ones offer only the codes with a description of their own.
constexpr std::int64_t kWalkedCodes = 1024;

// A bound truncated toward zero and kept inside the range of a code.
int TruncCode(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(std::trunc(value), double{INT_MIN}, double{INT_MAX}));
}

} // namespace

TkxParEncoded::TkxParEncoded(TkxRegister* reg, std::uint8_t element)
    : TkxParValue(reg, element) {}

int TkxParEncoded::GetMaxCode() const {
    return TruncCode(TkxParValue::GetMax());
}

int TkxParEncoded::GetMinCode() const {
    return TruncCode(TkxParValue::GetMin());
}

int TkxParEncoded::GetDfltCode() const {
    return TruncCode(TkxParValue::GetDflt());
}

double TkxParEncoded::GetMax() const {
    return GetMaxCode();
}

std::string TkxParEncoded::GetMaxText() const {
    return HasMax() ? TextOfCode(GetMaxCode(), true) : "";
}

double TkxParEncoded::GetMin() const {
    return GetMinCode();
}

std::string TkxParEncoded::GetMinText() const {
    return HasMin() ? TextOfCode(GetMinCode(), true) : "";
}

double TkxParEncoded::GetDflt() const {
    return GetDfltCode();
}

std::string TkxParEncoded::GetDfltText() const {
    return HasDflt() ? TextOfCode(GetDfltCode(), true) : "";
}

int TkxParEncoded::GetCode() const {
    return Register() == nullptr ? 0 : Register()->GetValueInteger(Element());
}

bool TkxParEncoded::SetCode(int code) {
    if (Register() == nullptr || code < 0) {
        return false;
    }
    const int bits = ElementBits(*Register());
    const std::int64_t highest = Register()->Definition()->IsSigned()
                                     ? (std::int64_t{1} << (bits - 1)) - 1
                                     : (std::int64_t{1} << bits) - 1;
    if (code > highest || !InsideLimits(code)) {
        return false;
    }
    Register()->SetValueInteger(Element(), code);
    DoOnChange();
    return true;
}

void TkxParEncoded::SetValueDouble(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    const double whole = std::trunc(value);
    if (whole >= double{INT_MIN} && whole <= double{INT_MAX}) {
        SetCode(static_cast<int>(whole));
    }
}

double TkxParEncoded::GetValueDouble() const {
    return GetCode();
}

std::string TkxParEncoded::GetDescription() const {
    return Register() == nullptr ? "" : Register()->Definition()->GetDescr(Element(), DescrMask());
}

std::string TkxParEncoded::GetValueString() const {
    return Register() == nullptr ? "" : TextOfCode(GetCode(), true);
}

std::string TkxParEncoded::SetValueString(std::string_view /*text*/) {
    throw ETkxError("TkxParEncoded::SetValueString operation not allowed.");
}

void TkxParEncoded::SetDefault() {
    if (!HasDflt()) {
        return;
    }
    Register()->AssignDefault(Element(), 0);
    DoOnChange();
}

void TkxParEncoded::FillItems(TkxParItems* items, bool withLimits) const {
    if (items == nullptr || Register() == nullptr) {
        return;
    }
    FillLimitItems(*items, withLimits);
    if (!items->empty()) {
        items->push_back({SeparatorText, TkxParItem::SeparatorCode});
    }
    if (!HasMin() || !HasMax()) {
        return;
    }
    // Negative codes would read as the list's commands.
    const std::int64_t first = std::max(GetMinCode(), 0);
    const std::int64_t last = GetMaxCode();
    const auto add = [&](std::int64_t code) {
        std::string text = TextOfCode(static_cast<int>(code), false);
        if (!text.empty()) {
            items->push_back({std::move(text), static_cast<int>(code)});
        }
    };
    if (last - first < kWalkedCodes) {
        for (std::int64_t code = first; code <= last; ++code) {
            add(code);
        }
        return;
    }
    for (const std::int64_t code :
         Register()->Definition()->DescribedValues(Element(), DescrMask())) {
        if (code >= first && code <= last) {
            add(code);
        }
    }
}

std::string TkxParEncoded::TextOfCode(int code, bool showNumber) const {
    return Register() == nullptr
               ? ""
               : Register()->Definition()->GetValueDescr(code, Element(), DescrMask(), showNumber);
}

bool TkxParEncoded::InsideLimits(int code) const {
    return !(HasMin() && code < GetMinCode()) && !(HasMax() && code > GetMaxCode());
}

int TkxParEncoded::ElementBits(const TkxRegister& reg) {
    switch (reg.Definition()->Size()) {
    case TkxRegDefinition::kSizeByte:
        return 8;
    case TkxRegDefinition::kSizeLong:
        return 32;
    default:
        return 16;
    }
}
