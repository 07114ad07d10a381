#include "params/tkxparlongcls.h"

#include "tkxparfixture.h"

namespace {

class TkxParLongTest : public TkxParFixture {
protected:
    TkxParLongTest()
        : TkxParFixture("params_numeric.par") {}
};

TEST_F(TkxParLongTest, HalvesSplitAtSixteenBits) {
    TkxParLong par(Reg("HoursLow"), 0, Reg("HoursHigh"));
    par.SetValueLong(74565);
    EXPECT_EQ(Raw("HoursLow"), 0x2345);
    EXPECT_EQ(Raw("HoursHigh"), 1);
    EXPECT_EQ(par.GetValueDouble(), 74565.0);

    par.SetValueLong(-1);
    EXPECT_EQ(Raw("HoursLow"), 65535);
    EXPECT_EQ(Raw("HoursHigh"), 65535);
    EXPECT_EQ(par.GetValueLong(), -1);
}

TEST_F(TkxParLongTest, SignedHalvesKeepTheirBits) {
    TkxParLong par(Reg("PositionLow"), 0, Reg("PositionHigh"));
    par.SetValueDouble(-100000.9);
    EXPECT_EQ(par.GetValueLong(), -100000);
    par.SetValueDouble(40000.0);
    EXPECT_EQ(Raw("PositionLow"), -25536) << "0x9C40 seen by a signed register";
    EXPECT_EQ(par.GetValueString(), "40000");
    par.SetValueDouble(1e12);
    EXPECT_EQ(par.GetValueLong(), INT32_MAX) << "beyond 32 bits the end of the range";
}

TEST_F(TkxParLongTest, WithoutAHighRegisterTheValueIsUnsigned16Bits) {
    TkxParLong par(Reg("PositionLow"), 0, nullptr);
    par.SetValueLong(-2);
    EXPECT_EQ(par.GetValueDouble(), 65534.0);
    EXPECT_EQ(par.SetValueString("65536"), "a whole number from 0 to 65535");
    EXPECT_EQ(par.SetValueString("-1"), "a whole number from 0 to 65535");
    EXPECT_EQ(par.SetValueString("0xFFFF"), "");
    EXPECT_EQ(par.GetValueDouble(), 65535.0);
}

TEST_F(TkxParLongTest, BoundsCombineBothRegisters) {
    TkxParLong par(Reg("CounterLow"), 0, Reg("CounterHigh"));
    ASSERT_TRUE(par.HasMax() && par.HasMin() && par.HasDflt());
    EXPECT_EQ(par.GetMax(), 0x7FFFFFFF);
    EXPECT_EQ(par.GetMin(), 0x2345);
    EXPECT_EQ(par.GetDflt(), 0x12345678);
    EXPECT_EQ(par.GetDfltText(), "305419896");

    par.SetDefault();
    EXPECT_EQ(par.GetValueLong(), 0x12345678);
    EXPECT_TRUE(par.IsModified());

    const TkxParLong oneSided(Reg("CounterLow"), 0, Reg("PositionHigh"));
    EXPECT_FALSE(oneSided.HasMax()) << "both halves need the bound";
}

TEST_F(TkxParLongTest, TypedTextMustBeAWholeNumberInsideTheLimits) {
    TkxParLong par(Reg("CounterLow"), 0, Reg("CounterHigh"));
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_EQ(par.SetValueString("100000"), "");
    EXPECT_EQ(par.GetValueLong(), 100000);
    EXPECT_EQ(par.SetValueString("12.5"), "a whole number");
    EXPECT_EQ(par.SetValueString("many"), "a whole number");
    EXPECT_EQ(par.SetValueString("9000"), "at least 9029");
    EXPECT_EQ(par.SetValueString("0xFFFFFFFF"), "at least 9029") << "the bits of -1";
    EXPECT_EQ(par.SetValueString("5000000000"), "a whole number from -2147483648 to 4294967295");
    EXPECT_EQ(par.GetValueLong(), 100000);
    EXPECT_EQ(changes, 1);
}

} // namespace
