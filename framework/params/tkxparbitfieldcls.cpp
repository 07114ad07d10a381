#include "params/tkxparbitfieldcls.h"

#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

#include <bit>
#include <climits>

namespace {

// The bits an element of the given width holds.
std::uint32_t ElementMask(int bits) {
    return bits >= 32 ? ~0U : (1U << bits) - 1;
}

} // namespace

TkxParBitField::TkxParBitField(TkxRegister* reg, std::uint32_t mask, std::uint8_t element)
    : TkxParEncoded(reg, element)
    , FMask(mask) {}

bool TkxParBitField::HasMax() const {
    return Register() != nullptr;
}

bool TkxParBitField::HasMin() const {
    return Register() != nullptr;
}

std::string TkxParBitField::SetValueString(std::string_view /*text*/) {
    throw ETkxError("TkxParBitField::SetValueString operation not allowed.");
}

void TkxParBitField::SetDefault() {
    if (HasDflt() && StoreField(static_cast<std::uint32_t>(TkxParBitField::GetDfltField()))) {
        DoOnChange();
    }
}

int TkxParBitField::GetMaxCode() const {
    return GetMaxField();
}

int TkxParBitField::GetMinCode() const {
    return GetMinField();
}

int TkxParBitField::GetDfltCode() const {
    return GetDfltField();
}

int TkxParBitField::GetCode() const {
    return GetField();
}

bool TkxParBitField::SetCode(int code) {
    return SetField(code);
}

int TkxParBitField::GetMaxField() const {
    if (Register() == nullptr) {
        return 0;
    }
    const int bits = std::popcount(FMask);
    return bits >= 31 ? INT_MAX : (1 << bits) - 1;
}

int TkxParBitField::GetMinField() const {
    return 0;
}

int TkxParBitField::GetDfltField() const {
    return static_cast<int>(Pack(static_cast<std::uint32_t>(TkxParEncoded::GetDfltCode()), FMask));
}

int TkxParBitField::GetField() const {
    if (Register() == nullptr) {
        return 0;
    }
    const std::uint32_t element = ElementMask(ElementBits(*Register()));
    // A signed element reads sign-extended; bits beyond it are no part of the field.
    return static_cast<int>(Pack(
        static_cast<std::uint32_t>(Register()->GetValueMasked(Element(), FMask)) & element, FMask));
}

bool TkxParBitField::SetField(int code) {
    if (Register() == nullptr || code < 0 || code > TkxParBitField::GetMaxField() ||
        !StoreField(static_cast<std::uint32_t>(code))) {
        return false;
    }
    DoOnChange();
    return true;
}

bool TkxParBitField::StoreField(std::uint32_t code) {
    const int bits = ElementBits(*Register());
    const std::uint32_t element = ElementMask(bits);
    const std::uint32_t field = Unpack(code, FMask);
    if (Pack(field, FMask) != code || (field & ~element) != 0) {
        return false;
    }
    const auto current = static_cast<std::uint32_t>(Register()->GetValueMasked(Element(), 0));
    std::uint32_t merged = ((current & ~FMask) | field) & element;
    // The whole element is stored (mask 0), as the register reads it: sign-extended when
    // signed, so that a field holding the sign bit is not clamped to the type's range.
    if (Register()->Definition()->IsSigned() && bits < 32 && (merged >> (bits - 1)) != 0) {
        merged |= ~element;
    }
    Register()->SetValueMasked(Element(), static_cast<std::int32_t>(merged), 0);
    return true;
}

std::uint32_t TkxParBitField::Pack(std::uint32_t value, std::uint32_t mask) {
    std::uint32_t code = 0;
    for (int bit = 31; bit >= 0; --bit) {
        if ((mask >> bit & 1U) != 0) {
            code = code << 1 | (value >> bit & 1U);
        }
    }
    return code;
}

std::uint32_t TkxParBitField::Unpack(std::uint32_t code, std::uint32_t mask) {
    std::uint32_t value = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if ((mask >> bit & 1U) != 0) {
            value |= (code & 1U) << bit;
            code >>= 1;
        }
    }
    return value;
}
