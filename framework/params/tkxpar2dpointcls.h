#pragma once

#include "params/tkxparvaluecls.h"

#include <utility>

// A point of a curve: x in Register, y in SecondRegister, both the same element. A
// coordinate without a register takes its value from Stored, which a device sets to give a
// point fixed coordinates. Values, limits and the default show as "x|y" with four decimals;
// the numeric getters and setters of the base act on x alone. Reads and writes reach the x
// register first.
//
// SetValueString stores both coordinates, or neither, and fires no OnChange: a caller that
// sets a point from text refreshes what shows it itself.
class TkxPar2DPoint : public TkxParValue {
public:
    using TPair = std::pair<double, double>;

    TkxPar2DPoint(TkxRegister* x, std::uint8_t element, TkxRegister* y);

    // The x register has the bound, or else the y register has it.
    bool HasMax() const override;
    // The x coordinate of the bound pair.
    double GetMax() const override;
    // "x|y" of the bound pair, each from its register's bound or from Stored.
    std::string GetMaxText() const override;
    bool HasMin() const override;
    double GetMin() const override;
    std::string GetMinText() const override;
    bool HasDflt() const override;
    double GetDflt() const override;
    std::string GetDfltText() const override;

    // "x description|y description", "xx" for a coordinate without a register.
    std::string GetDescription() const override;
    std::string GetValueString() const override;
    // Two numbers separated by "|", each one its register takes (the refusal names the
    // coordinate: "y: at most 5"); a coordinate without a register takes any finite number.
    std::string SetValueString(std::string_view text) override;
    bool IsModified() const override;
    // Only when the point has a default: both registers' defaults, then OnChange.
    void SetDefault() override;
    std::int32_t ReadFromDevice() override;
    std::int32_t WriteToDevice() override;

    // The value pair, each coordinate from its register or from Stored.
    TPair GetValuePair() const;
    const TPair& Stored() const { return FStored; }
    void SetStored(double x, double y) { FStored = {x, y}; }
    TkxRegister* SecondRegister() const { return FSecondRegister; }

private:
    bool HasBound(TBoundOf bound) const;
    TPair BoundPair(TBoundOf bound) const;
    std::string BoundText(TBoundOf bound) const;
    static std::string PairText(const TPair& pair);

    TPair FStored{0.0, 0.0};
    TkxRegister* FSecondRegister;
};
