#include "params/tkxparfrac16cls.h"

#include "base/tkxerror.h"
#include "tkxparfixture.h"

#include <cmath>
#include <limits>

namespace {

class TkxParFrac16Test : public TkxParFixture {
protected:
    TkxParFrac16Test()
        : TkxParFixture("params_twoword.par") {}

    int Raw(const char* name, int element = 0) { return Reg(name)->GetValueInteger(element); }
};

TEST_F(TkxParFrac16Test, SignedExponentNormalisesTheMantissa) {
    TkxParFrac16 par(Reg("GainMant"), 0, Reg("GainExp"));
    par.SetValueDouble(0.3);
    EXPECT_EQ(Raw("GainExp"), -1);
    EXPECT_EQ(Raw("GainMant"), 19660);
    EXPECT_NEAR(par.GetValueDouble(), 0.3, 1e-4);

    par.SetValueDouble(-0.5);
    EXPECT_EQ(Raw("GainExp"), -1);
    EXPECT_EQ(Raw("GainMant"), -32768);
    EXPECT_EQ(par.GetValueDouble(), -0.5);

    par.SetValueDouble(3.0);
    EXPECT_EQ(Raw("GainExp"), 2);
    EXPECT_EQ(Raw("GainMant"), 24576);
    EXPECT_EQ(par.GetValueString(), "3.0");

    par.SetValueDouble(0.0);
    EXPECT_EQ(Raw("GainExp"), 0);
    EXPECT_EQ(Raw("GainMant"), 0);
}

TEST_F(TkxParFrac16Test, UnsignedExponentOnlyGrows) {
    TkxParFrac16 par(Reg("GainMant"), 0, Reg("GainUExp"));
    par.SetValueDouble(0.3);
    EXPECT_EQ(Raw("GainUExp"), 0);
    EXPECT_EQ(Raw("GainMant"), 9830);
    par.SetValueDouble(-3.0);
    EXPECT_EQ(Raw("GainUExp"), 2);
    EXPECT_EQ(Raw("GainMant"), -24576);
    EXPECT_EQ(par.GetValueDouble(), -3.0);
}

TEST_F(TkxParFrac16Test, WithoutAnExponentTheMantissaIsTheValue) {
    TkxParFrac16 par(Reg("GainMant"), 0, nullptr);
    par.SetValueDouble(0.25);
    EXPECT_EQ(Raw("GainMant"), 8192);
    EXPECT_EQ(par.GetValueString(), "0.25");

    EXPECT_EQ(par.SetValueString("1"), "") << "the last step of the mantissa is rounding";
    EXPECT_EQ(Raw("GainMant"), 32767);
    EXPECT_EQ(par.SetValueString("1.5"), "a number from -1.0 to 1.0");
    EXPECT_EQ(par.SetValueString("fast"), "a number");
    EXPECT_EQ(Raw("GainMant"), 32767) << "refused texts keep the value";
}

TEST_F(TkxParFrac16Test, ExtremeNumbersEndAndNonFiniteOnesAreIgnored) {
    TkxParFrac16 par(Reg("GainMant"), 0, Reg("GainExp"));
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    par.SetValueDouble(std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(Raw("GainExp"), -1073);
    EXPECT_EQ(par.GetValueDouble(), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(par.SetValueString("-1E308"), "");
    EXPECT_EQ(Raw("GainExp"), 1024);
    EXPECT_NEAR(par.GetValueDouble() / -1e308, 1.0, 1e-4);
    EXPECT_EQ(changes, 2);

    par.SetValueDouble(std::numeric_limits<double>::infinity());
    par.SetValueDouble(-std::numeric_limits<double>::infinity());
    par.SetValueDouble(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(par.SetValueString("inf").empty());
    EXPECT_FALSE(par.SetValueString("nan").empty());
    EXPECT_EQ(Raw("GainExp"), 1024);
    EXPECT_EQ(changes, 2);
}

TEST_F(TkxParFrac16Test, BuiltInPairKeepsItsExponentInsideItsLimits) {
    TkxParFrac16 par(Reg("RefMant"), 0, Reg("RefExp"));
    ASSERT_TRUE(par.HasMax() && par.HasMin() && par.HasDflt());
    EXPECT_EQ(par.GetMax(), 256.0) << "1.0 times 2 to the 8";
    EXPECT_EQ(par.GetMaxText(), "256.0");
    EXPECT_EQ(par.GetMin(), 0.0);
    EXPECT_EQ(par.GetDflt(), 0.0);

    // Exponent -1 would be clamped to 0 by the register and double the value.
    par.SetValueDouble(0.3);
    EXPECT_EQ(Raw("RefExp"), 0);
    EXPECT_EQ(Raw("RefMant"), 9830);

    par.SetValueDouble(1000.0);
    EXPECT_EQ(Raw("RefExp"), 8);
    EXPECT_EQ(Raw("RefMant"), 32767);
    par.SetValueDouble(-1.0);
    EXPECT_EQ(par.GetValueDouble(), 0.0) << "clamped to the minimum";

    EXPECT_EQ(par.SetValueString("300"), "at most 256.0");
    EXPECT_EQ(par.SetValueString("-0.5"), "at least 0.0");
    EXPECT_EQ(par.SetValueString("100"), "");
    EXPECT_EQ(Raw("RefExp"), 7);
    EXPECT_EQ(par.GetValueDouble(), 100.0);
}

TEST_F(TkxParFrac16Test, ScaleAppliesToValuesAndLimitsAlike) {
    TkxParFrac16 par(Reg("RefMant"), 0, Reg("RefExp"));
    par.SetScale(2.0);
    EXPECT_EQ(par.GetMax(), 512.0);
    par.SetValueDouble(3.0);
    EXPECT_EQ(Raw("RefExp"), 1);
    EXPECT_EQ(Raw("RefMant"), 24576);
    EXPECT_EQ(par.GetValueDouble(), 3.0);
    par.SetValueDouble(2000.0);
    EXPECT_NEAR(par.GetValueDouble(), 512.0, 0.1) << "clamped in the caller's units";
}

TEST_F(TkxParFrac16Test, LinkedLimitIsReadAtTheMomentOfTheCheck) {
    TkxRegister* limit = Reg("GainMant");
    Reg("RefMant")->SetMaxRegister(limit);
    TkxParFrac16 par(Reg("RefMant"), 0, Reg("RefExp"));
    limit->SetValueDouble(0, 0.5);
    EXPECT_EQ(par.SetValueString("200"), "at most 128.0");
    limit->SetValueDouble(0, 0.75);
    EXPECT_EQ(par.SetValueString("190"), "");
    EXPECT_EQ(par.GetValueString(), "190.0");
}

TEST_F(TkxParFrac16Test, UnreadableExponentLeavesTheMantissaAlone) {
    TkxParFrac16 par(Reg("GainMant"), 1, Reg("GainExp"));
    Reg("GainMant")->SetValueInteger(1, 16384);
    par.SetScale(4.0);
    EXPECT_EQ(par.GetValueDouble(), 2.0) << "0.5 times the scale";
    EXPECT_THROW(par.SetValueDouble(0.25), ETkxError);
    EXPECT_EQ(Raw("GainMant", 1), 16384) << "a failed write leaves the mantissa";
}

TEST_F(TkxParFrac16Test, DefaultsAndModifiedFlagCoverBothRegisters) {
    TkxParFrac16 par(Reg("RefMant"), 0, Reg("RefExp"));
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_FALSE(par.IsModified());
    Reg("RefExp")->SetValueInteger(0, 3);
    EXPECT_TRUE(par.IsModified());
    par.SetDefault();
    EXPECT_EQ(Raw("RefExp"), 0);
    EXPECT_EQ(changes, 1);

    TkxParFrac16 plain(Reg("GainMant"), 0, Reg("GainExp"));
    plain.OnChange = [&](TkxParValue*) { ++changes; };
    Reg("GainExp")->SetValueInteger(0, 3);
    plain.SetDefault();
    EXPECT_EQ(Raw("GainExp"), 3) << "no default, nothing set";
    EXPECT_EQ(changes, 1);
}

TEST_F(TkxParFrac16Test, WithoutAMantissaNothingIsReadOrWritten) {
    TkxParFrac16 par(nullptr, 0, Reg("GainExp"));
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    EXPECT_FALSE(par.HasMax() || par.HasMin() || par.HasDflt());
    EXPECT_EQ(par.GetMax(), 0.0);
    EXPECT_EQ(par.GetValueDouble(), 0.0);
    EXPECT_EQ(par.GetValueString(), "");
    EXPECT_FALSE(par.SetValueString("0.5").empty());
    par.SetValueDouble(0.5);
    par.SetDefault();
    EXPECT_FALSE(fired);
    EXPECT_EQ(Raw("GainExp"), 0);
    EXPECT_EQ(par.ReadFromDevice(), 0);
    EXPECT_EQ(par.WriteToDevice(), 0);
}

} // namespace
