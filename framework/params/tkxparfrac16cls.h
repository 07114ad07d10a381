#pragma once

#include "params/tkxparvaluecls.h"

// A real number held as a 16-bit fraction and a power-of-two exponent: the mantissa register
// (Register) holds a signed fraction of 32768, the optional exponent register (same element)
// the power of two it is multiplied by, and the product is multiplied by Scale. Limits and
// the default are the mantissa's, raised to the exponent's bounds; texts use the mantissa
// register's display format. Reads and writes reach the mantissa register first.
class TkxParFrac16 : public TkxParValue {
public:
    TkxParFrac16(TkxRegister* mantissa, std::uint8_t element, TkxRegister* exponent);

    // The mantissa's upper bound (0 without one) times 2 to the exponent's upper bound.
    double GetMax() const override;
    // The mantissa's lower bound times 2 to the exponent's upper bound, when the exponent
    // register has both bounds.
    double GetMin() const override;
    double GetDflt() const override;

    // Kept within the limits, when the mantissa register has limits, then split into the
    // largest exponent the mantissa needs and the mantissa, truncated toward zero. The
    // exponent stays within what its register can hold and its limits allow; the mantissa
    // takes the rest and is cut to its 16 bits. A NaN or an infinity is ignored.
    void SetValueDouble(double value) override;
    // With an exponent that cannot be read, the mantissa part alone.
    double GetValueDouble() const override;
    std::string GetValueString() const override;
    // A number inside the limits that the mantissa can reach with the largest exponent.
    std::string SetValueString(std::string_view text) override;
    bool IsModified() const override;
    // Only when the mantissa register has a default: both registers' defaults.
    void SetDefault() override;
    std::int32_t ReadFromDevice() override;
    std::int32_t WriteToDevice() override;

    TkxRegister* ExpRegister() const { return FExpRegister; }
    double Scale() const { return FScale; }
    void SetScale(double scale) { FScale = scale; }

private:
    double BoundValue(TBoundOf bound, TBoundOf exponentBound) const;
    // The exponents the exponent register can hold within its limits; 0 to 0 without one.
    void ExponentRange(int& lowest, int& highest) const;

    TkxRegister* FExpRegister;
    double FScale = 1.0;
};
