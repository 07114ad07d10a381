#pragma once

#include "params/tkxparencodedcls.h"

#include <cstdint>
#include <string>
#include <string_view>

// A group of bits of an integer register element, selected by Mask and read as a compact
// code: the lowest selected bit is bit 0 of the code, the next selected bit bit 1, and so on,
// whatever gaps the mask has. Setting a code writes only the selected bits. Codes run from 0
// to 2^(selected bits) - 1; texts come from the descriptions of the element under Mask
// ("Descr[0m30v2]"), keyed by the code.
class TkxParBitField : public TkxParEncoded {
public:
    TkxParBitField(TkxRegister* reg, std::uint32_t mask, std::uint8_t element);

    bool HasMax() const override;
    bool HasMin() const override;
    std::string SetValueString(std::string_view text) override;
    // The default's bits under Mask only; the element's other bits keep their values.
    void SetDefault() override;

    int GetMaxCode() const override;
    int GetMinCode() const override;
    int GetDfltCode() const override;
    int GetCode() const override;
    bool SetCode(int code) override;

    // Without a register 0; a field of all 32 bits ends at the highest code, 2^31 - 1.
    virtual int GetMaxField() const;
    virtual int GetMinField() const;
    // The register's default packed under Mask, 0 without one.
    virtual int GetDfltField() const;
    virtual int GetField() const;
    // Refused (false, nothing stored, no event) for a code outside 0..GetMaxField() and for
    // one whose bits would lie beyond the element.
    virtual bool SetField(int code);

    // The bits of value under mask, packed from the lowest selected bit upward, and back.
    static std::uint32_t Pack(std::uint32_t value, std::uint32_t mask);
    static std::uint32_t Unpack(std::uint32_t code, std::uint32_t mask);

    std::uint32_t Mask() const { return FMask; }

protected:
    std::uint32_t DescrMask() const override { return FMask; }
    // The element with its bits under Mask replaced by those of code: false, storing nothing,
    // when code has more bits than the field or they lie beyond the element.
    bool StoreField(std::uint32_t code);

private:
    std::uint32_t FMask;
};
