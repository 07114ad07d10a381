#pragma once

#include "params/tkxparvaluecls.h"

#include <cstdint>
#include <string>
#include <string_view>

// A coded integer register element shown by the descriptions of its values ("38400bps"),
// falling back to the number and its hexadecimal form ("7 (7h)"). Chosen from a list, set
// by code or set to the default, never typed: setting text throws ETkxError. Codes are 0 and
// above; a code the element cannot hold, or one outside the register's limits, is refused.
// Limits and default read as codes: the register's bounds truncated toward zero.
class TkxParEncoded : public TkxParValue {
public:
    TkxParEncoded(TkxRegister* reg, std::uint8_t element);

    double GetMax() const override;
    std::string GetMaxText() const override;
    double GetMin() const override;
    std::string GetMinText() const override;
    double GetDflt() const override;
    std::string GetDfltText() const override;

    // Truncated toward zero, then as SetCode; NaN, infinities and numbers beyond the range of
    // a code are ignored.
    void SetValueDouble(double value) override;
    double GetValueDouble() const override;
    std::string GetDescription() const override;
    std::string GetValueString() const override;
    // Always throws ETkxError: the value is chosen, not typed.
    std::string SetValueString(std::string_view text) override;
    void SetDefault() override;
    // The base list, a separator "----------" when that is not empty, then every code of the
    // range that has a description, ascending. Without both limits only the base list.
    void FillItems(TkxParItems* items, bool withLimits) const override;

    virtual int GetMaxCode() const;
    virtual int GetMinCode() const;
    virtual int GetDfltCode() const;
    // The element's integer value, 0 without a register.
    virtual int GetCode() const;
    // Stores code, then OnChange; false, storing nothing and firing nothing, when refused.
    virtual bool SetCode(int code);

protected:
    // The text of the separator entry of a choice list.
    static constexpr const char* SeparatorText = "----------";
    // The bits of the element whose descriptions the texts use: 0 for the whole element.
    virtual std::uint32_t DescrMask() const { return 0; }
    // The description of code, or with showNumber its number when it has none.
    std::string TextOfCode(int code, bool showNumber) const;
    // Whether code lies inside the bounds the register has now.
    bool InsideLimits(int code) const;
    // The bits one element of reg holds: 8, 16 or 32.
    static int ElementBits(const TkxRegister& reg);
};
