#pragma once

#include "params/tkxparvaluecls.h"

// A signed 32-bit integer over two 16-bit registers: the low half in Register, the high half
// in HighRegister, both the same element. Without a high register the value is the low
// register's, read as unsigned 16 bits. Bounds, texts and the display format are the low
// register's; reads and writes reach the low register first.
class TkxParLong : public TkxParValue {
public:
    TkxParLong(TkxRegister* low, std::uint8_t element, TkxRegister* high);

    bool HasMax() const override;
    double GetMax() const override;
    std::string GetMaxText() const override;
    bool HasMin() const override;
    double GetMin() const override;
    std::string GetMinText() const override;
    bool HasDflt() const override;
    double GetDflt() const override;
    std::string GetDfltText() const override;

    // Truncated toward zero, then as SetValueLong.
    void SetValueDouble(double value) override;
    double GetValueDouble() const override;
    std::string GetValueString() const override;
    // Only whole numbers the two registers can hold, inside the limits.
    std::string SetValueString(std::string_view text) override;
    bool IsModified() const override;
    void SetDefault() override;
    std::int32_t ReadFromDevice() override;
    std::int32_t WriteToDevice() override;

    std::int32_t GetValueLong() const;
    // The low 16 bits to the low register, the upper 16 to the high one, then OnChange.
    void SetValueLong(std::int32_t value);

    TkxRegister* HighRegister() const { return FHighRegister; }

private:
    bool HasBound(TBoundOf bound) const;
    double CombinedBound(TBoundOf bound) const;
    std::string TextOf(double value) const;

    TkxRegister* FHighRegister;
};
