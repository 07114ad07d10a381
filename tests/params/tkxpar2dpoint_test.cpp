#include "params/tkxpar2dpointcls.h"

#include "tkxparfixture.h"

namespace {

class TkxPar2DPointTest : public TkxParFixture {
protected:
    TkxPar2DPointTest()
        : TkxParFixture("params_twoword.par") {}

    double Value(const char* name, int element = 0) { return Reg(name)->GetValueDouble(element); }
};

TEST_F(TkxPar2DPointTest, ShowsAndTakesBothCoordinates) {
    TkxPar2DPoint par(Reg("CurveX"), 0, Reg("CurveY"));
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    Reg("CurveX")->SetValueDouble(0, 1.5);
    Reg("CurveY")->SetValueDouble(0, 20.0);
    EXPECT_EQ(par.GetValueString(), "1.5000|20.0000");

    EXPECT_EQ(par.SetValueString("2|3"), "");
    EXPECT_EQ(Value("CurveX"), 2.0);
    EXPECT_EQ(Value("CurveY"), 3.0);
    EXPECT_EQ(par.SetValueString(" 0.3 | -7 "), "");
    EXPECT_EQ(par.GetValueString(), "0.3000|-7.0000") << "each read as its register reads it";
    EXPECT_FALSE(fired) << "a point set from text fires nothing";
}

TEST_F(TkxPar2DPointTest, RefusalNamesTheCoordinateAndChangesNothing) {
    TkxPar2DPoint par(Reg("CurveX"), 1, Reg("CurveY"));
    ASSERT_EQ(par.SetValueString("1|2"), "");
    EXPECT_EQ(par.SetValueString("6|3"), "x: at most 5");
    EXPECT_EQ(par.SetValueString("2|101"), "y: at most 100");
    EXPECT_EQ(par.SetValueString("fast|3"), "x: a number");
    EXPECT_EQ(par.SetValueString("2|"), "y: a number");
    EXPECT_EQ(par.SetValueString("2|3|4"), "y: a number");
    EXPECT_EQ(par.SetValueString("2;3"), "two numbers separated by \"|\", such as 2|3");
    EXPECT_EQ(par.GetValueString(), "1.0000|2.0000");
    EXPECT_EQ(Value("CurveX", 0), 0.0) << "the other element untouched";
}

TEST_F(TkxPar2DPointTest, BoundPairsComeFromBothRegistersOrStored) {
    TkxPar2DPoint par(Reg("CurveX"), 0, Reg("CurveY"));
    ASSERT_TRUE(par.HasMax() && par.HasMin() && par.HasDflt());
    EXPECT_EQ(par.GetMaxText(), "5.0000|100.0000");
    EXPECT_EQ(par.GetMinText(), "0.0000|-100.0000");
    EXPECT_EQ(par.GetDfltText(), "1.0000|50.0000");
    EXPECT_EQ(par.GetMax(), 5.0);

    TkxPar2DPoint fixedY(Reg("CurveX"), 0, nullptr);
    fixedY.SetStored(100.0, 0.5);
    EXPECT_EQ(fixedY.GetMaxText(), "5.0000|0.5000");
    EXPECT_EQ(fixedY.GetDescription(), "Curve speed|xx");

    TkxPar2DPoint fixedX(nullptr, 0, Reg("CurveY"));
    fixedX.SetStored(100.0, 0.0);
    EXPECT_TRUE(fixedX.HasMax()) << "the y register's bound is enough";
    EXPECT_EQ(fixedX.GetMaxText(), "100.0000|100.0000");
    EXPECT_EQ(fixedX.GetDescription(), "xx|Curve voltage");
}

TEST_F(TkxPar2DPointTest, LinkedLimitIsReadAtTheMomentOfTheCheck) {
    TkxRegister* limit = Reg("CurveY");
    Reg("CurveX")->SetMaxRegister(limit);
    TkxPar2DPoint par(Reg("CurveX"), 0, nullptr);
    limit->SetValueInteger(0, 3);
    EXPECT_EQ(par.SetValueString("4|0"), "x: at most 3");
    limit->SetValueInteger(0, 4);
    EXPECT_EQ(par.SetValueString("4|0"), "");
}

TEST_F(TkxPar2DPointTest, CoordinateWithoutARegisterLivesInStored) {
    TkxPar2DPoint par(Reg("CurveX"), 0, nullptr);
    par.SetStored(0.0, 100.0);
    Reg("CurveX")->SetValueDouble(0, 1.5);
    EXPECT_EQ(par.GetValueString(), "1.5000|100.0000");
    EXPECT_EQ(par.SetValueString("2|7.25"), "");
    EXPECT_EQ(par.Stored().second, 7.25);
    EXPECT_EQ(par.SetValueString("2|inf"), "y: a number");
    EXPECT_EQ(par.Stored().second, 7.25);

    TkxPar2DPoint bare(nullptr, 0, nullptr);
    EXPECT_FALSE(bare.HasMax() || bare.HasMin() || bare.HasDflt());
    EXPECT_EQ(bare.GetValueString(), "0.0000|0.0000");
    EXPECT_EQ(bare.GetValueDouble(), 0.0);
    EXPECT_EQ(bare.SetValueString("1|2"), "");
    EXPECT_EQ(bare.GetValueString(), "1.0000|2.0000");
    bare.SetDefault();
    EXPECT_EQ(bare.ReadFromDevice(), 0);
    EXPECT_EQ(bare.WriteToDevice(), 0);
}

TEST_F(TkxPar2DPointTest, DefaultSetsBothAndModifiedWatchesBoth) {
    TkxPar2DPoint par(Reg("CurveX"), 1, Reg("CurveY"));
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_FALSE(par.IsModified());
    par.SetDefault();
    EXPECT_EQ(par.GetValueString(), "1.0000|50.0000");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(par.IsModified());

    const TkxPar2DPoint yOnly(nullptr, 1, Reg("CurveY"));
    EXPECT_TRUE(yOnly.IsModified());
}

} // namespace
