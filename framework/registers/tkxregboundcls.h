#pragma once

#include <cstdint>

class TkxRegister;

// One limit or the default of a register, in display units: a constant, or the live value of
// another register. A limit adds its offset to either; a default never does.
class TkxRegBound {
public:
    static constexpr std::uint8_t KindDefault = 0;
    static constexpr std::uint8_t KindMinimum = 1;
    static constexpr std::uint8_t KindMaximum = 2;

    TkxRegBound(std::uint8_t kind, double value)
        : FKind(kind)
        , FValue(value) {}

    // The bound for element index: the reference's value of that element, or the constant.
    // Reading a reference can throw as any register read does.
    double GetValue(int index) const;

    std::uint8_t Kind() const { return FKind; }
    double Value() const { return FValue; }
    double Offset() const { return FOffset; }
    TkxRegister* Reference() const { return FReference; }

    void SetValue(double value) { FValue = value; }
    void SetOffset(double offset) { FOffset = offset; }
    void SetReference(TkxRegister* reference) { FReference = reference; }

private:
    std::uint8_t FKind;
    double FValue;
    double FOffset = 0.0;
    TkxRegister* FReference = nullptr;
};
