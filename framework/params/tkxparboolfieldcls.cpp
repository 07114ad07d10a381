#include "params/tkxparboolfieldcls.h"

#include "base/tkxerror.h"
#include "registers/tkxregistercls.h"

TkxParBoolField::TkxParBoolField(TkxRegister* reg, std::uint8_t bit, std::uint8_t element)
    : TkxParBitField(reg, bit < 32 ? 1U << bit : 0U, element)
    , FBit(bit) {}

std::string TkxParBoolField::SetValueString(std::string_view /*text*/) {
    throw ETkxError("TkxParBoolField::SetValueString operation not allowed.");
}

void TkxParBoolField::FillItems(TkxParItems* items, bool withLimits) const {
    if (items == nullptr || Register() == nullptr) {
        return;
    }
    items->clear();
    if (withLimits && HasDflt()) {
        items->push_back({GetDfltText() + " (dflt)", TkxParItem::DefaultCode});
        items->push_back({SeparatorText, TkxParItem::SeparatorCode});
    }
    items->push_back({GetMinText(), 0});
    items->push_back({GetMaxText(), 1});
}

int TkxParBoolField::GetMaxField() const {
    return GetMaxBool() ? 1 : 0;
}

int TkxParBoolField::GetMinField() const {
    return GetMinBool() ? 1 : 0;
}

int TkxParBoolField::GetDfltField() const {
    return GetDfltBool() ? 1 : 0;
}

int TkxParBoolField::GetField() const {
    return GetBool() ? 1 : 0;
}

bool TkxParBoolField::SetField(int code) {
    return (code == 0 || code == 1) && SetBool(code != 0);
}

bool TkxParBoolField::GetMaxBool() const {
    return Register() != nullptr;
}

bool TkxParBoolField::GetMinBool() const {
    return false;
}

bool TkxParBoolField::GetDfltBool() const {
    return TkxParBitField::GetDfltField() != 0;
}

bool TkxParBoolField::GetBool() const {
    return Register() == nullptr ? GetDfltBool() : Register()->GetValueBit(Element(), FBit);
}

bool TkxParBoolField::SetBool(bool value) {
    if (Register() == nullptr) {
        return false;
    }
    Register()->SetValueBit(Element(), FBit, value);
    DoOnChange();
    return true;
}
