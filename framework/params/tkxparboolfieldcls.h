#pragma once

#include "params/tkxparbitfieldcls.h"

#include <cstdint>
#include <string>
#include <string_view>

// One bit of an integer register element, read and written as a boolean and as the codes 0
// and 1, shown by the descriptions of its two values ("Descr[0m10v1]" for bit 4).
class TkxParBoolField : public TkxParBitField {
public:
    // A bit beyond 31 selects nothing; reading or writing it throws from the register.
    TkxParBoolField(TkxRegister* reg, std::uint8_t bit, std::uint8_t element);

    std::string SetValueString(std::string_view text) override;
    // With withLimits and a default the default first, then a separator; always the texts
    // of false (code 0) and true (code 1).
    void FillItems(TkxParItems* items, bool withLimits) const override;

    int GetMaxField() const override;
    int GetMinField() const override;
    int GetDfltField() const override;
    int GetField() const override;
    // Only the codes 0 and 1 are taken.
    bool SetField(int code) override;

    // True with a register.
    virtual bool GetMaxBool() const;
    virtual bool GetMinBool() const;
    virtual bool GetDfltBool() const;
    // The bit, or the default without a register.
    virtual bool GetBool() const;
    // The bit, then OnChange; false without a register.
    virtual bool SetBool(bool value);

    std::uint8_t Bit() const { return FBit; }

private:
    std::uint8_t FBit;
};
