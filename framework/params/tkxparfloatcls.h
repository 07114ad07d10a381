#pragma once

#include "params/tkxparvaluecls.h"

// An IEEE 754 single-precision number over two 16-bit registers: the low 16 bits of its bit
// pattern in Register, the high 16 bits in HighRegister, both the same element. Without a
// high register only the low half exists. Bounds are real numbers of the registers' bounds
// (the low register's first); texts use the low register's display format. A NaN or an
// infinity read from a device shows as text ("NAN", "INF", "-INF") and is never stored by a
// setter nor written back. Reads and writes reach the low register first.
class TkxParFloat : public TkxParValue {
public:
    TkxParFloat(TkxRegister* low, std::uint8_t element, TkxRegister* high);

    // Either register has the bound; the low register's value first, then the high one's,
    // and without a bound the current value.
    bool HasMax() const override;
    double GetMax() const override;
    bool HasMin() const override;
    double GetMin() const override;
    bool HasDflt() const override;
    double GetDflt() const override;

    // Rounded to single precision; beyond its range the largest number of that sign. A NaN
    // or an infinity is ignored.
    void SetValueDouble(double value) override;
    double GetValueDouble() const override;
    std::string GetValueString() const override;
    // A number inside the limits and inside the range of single precision.
    std::string SetValueString(std::string_view text) override;
    bool IsModified() const override;
    // The default, written as a bit pattern into both registers.
    void SetDefault() override;
    std::int32_t ReadFromDevice() override;
    // A buffered NaN or infinity is not sent: nothing is written and the result is
    // TkxMBResult::InvalidSetup, as the value did not come from a setter of this parameter.
    std::int32_t WriteToDevice() override;

    TkxRegister* HighRegister() const { return FHighRegister; }

private:
    bool HasBound(TBoundOf bound) const;
    double BoundOrValue(TBoundOf bound) const;

    TkxRegister* FHighRegister;
};
