#include "params/tkxparfloatcls.h"

#include "base/tkxmbresultcodes.h"
#include "tkxparfixture.h"

#include <bit>
#include <limits>

namespace {

class TkxParFloatTest : public TkxParFixture {
protected:
    TkxParFloatTest()
        : TkxParFixture("params_twoword.par") {}

    int Raw(const char* name) { return Reg(name)->GetValueInteger(0); }
    void SetWords(int high, int low) {
        Reg("TorqueHigh")->SetValueInteger(0, high);
        Reg("TorqueLow")->SetValueInteger(0, low);
    }
};

TEST_F(TkxParFloatTest, SinglePrecisionBitsSplitAtSixteen) {
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    par.SetValueDouble(1.0);
    EXPECT_EQ(Raw("TorqueLow"), 0);
    EXPECT_EQ(Raw("TorqueHigh"), 16256);

    par.SetValueDouble(0.1);
    EXPECT_EQ(Raw("TorqueHigh"), 0x3DCC);
    EXPECT_EQ(Raw("TorqueLow"), 0xCCCD);
    EXPECT_EQ(par.GetValueDouble(), static_cast<double>(0.1F)) << "rounded to single precision";

    par.SetValueDouble(-2.5);
    EXPECT_EQ(Raw("TorqueHigh"), 0xC020);
    EXPECT_EQ(par.GetValueString(), "-2.5 Nm");
}

TEST_F(TkxParFloatTest, WithoutAHighRegisterOnlyTheLowHalfExists) {
    TkxParFloat par(Reg("TorqueLow"), 0, nullptr);
    par.SetValueDouble(0.1);
    EXPECT_EQ(Raw("TorqueLow"), 0xCCCD);
    EXPECT_EQ(Raw("TorqueHigh"), 0);
    EXPECT_EQ(par.GetValueDouble(), static_cast<double>(std::bit_cast<float>(0xCCCDU)));
}

TEST_F(TkxParFloatTest, NonFiniteValuesFromTheDeviceShowButAreNeverWrittenBack) {
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    SetWords(0x7FC0, 0);
    EXPECT_EQ(par.GetValueString(), "NAN");
    EXPECT_EQ(par.WriteToDevice(), TkxMBResult::InvalidSetup);
    SetWords(0x7F80, 0);
    EXPECT_EQ(par.GetValueString(), "INF");
    EXPECT_EQ(par.WriteToDevice(), TkxMBResult::InvalidSetup);
    SetWords(0xFF80, 0);
    EXPECT_EQ(par.GetValueString(), "-INF");

    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    par.SetValueDouble(std::numeric_limits<double>::quiet_NaN());
    par.SetValueDouble(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(par.SetValueString("nan").empty());
    EXPECT_FALSE(par.SetValueString("INF").empty());
    EXPECT_EQ(Raw("TorqueHigh"), 0xFF80);
    EXPECT_EQ(changes, 0);

    par.SetValueDouble(5.0);
    EXPECT_EQ(par.WriteToDevice(), 0) << "a finite value goes out; without a device nothing to do";
}

TEST_F(TkxParFloatTest, NumbersBeyondSinglePrecisionAreRefusedOrCut) {
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    EXPECT_EQ(par.SetValueString("12.5 Nm"), "");
    EXPECT_EQ(par.GetValueDouble(), 12.5);
    EXPECT_EQ(par.SetValueString("1E39"), "a number from -3.4E38 to 3.4E38");
    EXPECT_EQ(par.SetValueString("strong"), "a number in Nm");
    EXPECT_EQ(par.GetValueDouble(), 12.5);

    par.SetValueDouble(-1e300);
    EXPECT_EQ(par.GetValueDouble(), -std::numeric_limits<float>::max());
}

TEST_F(TkxParFloatTest, BoundsAreRealNumbersTheLowRegistersFirst) {
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    par.SetValueDouble(7.0);
    EXPECT_FALSE(par.HasMax());
    EXPECT_EQ(par.GetMax(), 7.0) << "without a bound the current value";
    EXPECT_EQ(par.GetMaxText(), "");

    Reg("TorqueHigh")->SetLimits(-10.0, 100.0);
    ASSERT_TRUE(par.HasMax() && par.HasMin());
    EXPECT_EQ(par.GetMax(), 100.0);
    EXPECT_EQ(par.GetMinText(), "-10.0 Nm");
    Reg("TorqueLow")->SetLimits(0.0, 50.0);
    EXPECT_EQ(par.GetMax(), 50.0);
    EXPECT_EQ(par.SetValueString("50.5"), "at most 50.0 Nm");
    EXPECT_EQ(par.SetValueString("-1"), "at least 0.0 Nm");
    EXPECT_EQ(par.SetValueString("49.75"), "");
    EXPECT_EQ(par.GetValueDouble(), 49.75) << "limits never clamp the bit pattern";
}

TEST_F(TkxParFloatTest, LinkedLimitIsReadAtTheMomentOfTheCheck) {
    TkxRegister* limit = Reg("CurveY");
    Reg("TorqueLow")->SetMaxRegister(limit);
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    limit->SetValueInteger(0, 20);
    EXPECT_EQ(par.SetValueString("30"), "at most 20.0 Nm");
    limit->SetValueInteger(0, 40);
    EXPECT_EQ(par.SetValueString("30"), "");
}

TEST_F(TkxParFloatTest, DefaultIsWrittenAsABitPattern) {
    TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    ASSERT_TRUE(par.HasDflt());
    EXPECT_EQ(par.GetDfltText(), "2.5 Nm");
    par.SetDefault();
    EXPECT_EQ(Raw("TorqueHigh"), 0x4020);
    EXPECT_EQ(Raw("TorqueLow"), 0);
    EXPECT_EQ(changes, 1);
}

TEST_F(TkxParFloatTest, EitherHalfChangedIsModified) {
    const TkxParFloat par(Reg("TorqueLow"), 0, Reg("TorqueHigh"));
    EXPECT_FALSE(par.IsModified());
    Reg("TorqueHigh")->SetValueInteger(0, 1);
    EXPECT_TRUE(par.IsModified());
}

TEST_F(TkxParFloatTest, WithoutARegisterReadsAreEmptyAndWritesRefused) {
    TkxParFloat par(nullptr, 0, Reg("TorqueHigh"));
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    Reg("TorqueHigh")->SetLimits(0.0, 1.0);
    EXPECT_FALSE(par.HasMax() || par.HasMin() || par.HasDflt());
    EXPECT_EQ(par.GetValueDouble(), 0.0);
    EXPECT_EQ(par.GetValueString(), "");
    EXPECT_FALSE(par.SetValueString("1").empty());
    par.SetValueDouble(1.0);
    par.SetDefault();
    EXPECT_FALSE(fired);
    EXPECT_EQ(Raw("TorqueHigh"), 0);
    EXPECT_EQ(par.ReadFromDevice(), 0);
    EXPECT_EQ(par.WriteToDevice(), 0);
}

} // namespace
