#include "params/tkxparboolfieldcls.h"

#include "base/tkxerror.h"
#include "tkxparfixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class TkxParBoolFieldTest : public TkxParFixture {
protected:
    TkxParBoolFieldTest()
        : TkxParFixture("params_fields.par") {}
};

TEST_F(TkxParBoolFieldTest, OneBitAsBooleanCodeAndText) {
    Reg("Control")->SetValueInteger(0, 0x0F);
    TkxParBoolField par(Reg("Control"), 4, 0);
    EXPECT_EQ(par.Mask(), 0x10U);
    EXPECT_FALSE(par.GetBool());
    EXPECT_EQ(par.GetValueString(), "Forward");
    EXPECT_EQ(par.GetDescription(), "Direction");
    ASSERT_TRUE(par.SetBool(true));
    EXPECT_EQ(Raw("Control"), 0x1F);
    EXPECT_EQ(par.GetValueString(), "Reverse");

    TkxParValue& value = par;
    EXPECT_EQ(value.GetValueDouble(), 1.0);
    value.SetValueDouble(0.0);
    EXPECT_EQ(Raw("Control"), 0x0F);
    EXPECT_EQ(par.GetCode(), 0);
}

TEST_F(TkxParBoolFieldTest, OnlyCodesZeroAndOne) {
    TkxParBoolField par(Reg("Control"), 4, 0);
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_FALSE(par.SetField(2));
    EXPECT_FALSE(par.SetCode(-1));
    EXPECT_EQ(Raw("Control"), 0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(par.GetMaxField(), 1);
    EXPECT_EQ(par.GetMinField(), 0);
    EXPECT_EQ(par.GetMaxText(), "Reverse");
    EXPECT_EQ(par.GetMinText(), "Forward");
}

TEST_F(TkxParBoolFieldTest, ChoiceListIsTheTwoValues) {
    TkxParItems items{{"old", 7}};
    const TkxParBoolField direction(Reg("Control"), 4, 0);
    direction.FillItems(&items, false);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Forward", 0}, TkxParItem{"Reverse", 1}));
    direction.FillItems(&items, true);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Forward (dflt)", TkxParItem::DefaultCode},
                                   TkxParItem{"----------", TkxParItem::SeparatorCode},
                                   TkxParItem{"Forward", 0}, TkxParItem{"Reverse", 1}));

    TkxParBoolField(Reg("Flags"), 9, 0).FillItems(&items, true);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"0 (0h)", 0}, TkxParItem{"1 (1h)", 1}))
        << "no default, no descriptions";
}

TEST_F(TkxParBoolFieldTest, DefaultIsTheBitOfTheRegistersDefault) {
    Reg("Control")->SetValueInteger(0, 0x40);
    TkxParBoolField bit0(Reg("Control"), 0, 0);
    EXPECT_TRUE(bit0.GetDfltBool()) << "bit 0 of 0x0123";
    EXPECT_FALSE(TkxParBoolField(Reg("Control"), 4, 0).GetDfltBool());
    bit0.SetDefault();
    EXPECT_EQ(Raw("Control"), 0x41);
}

TEST_F(TkxParBoolFieldTest, SignBitOfASignedElement) {
    TkxParBoolField par(Reg("Flags"), 15, 0);
    par.SetBool(true);
    EXPECT_EQ(Raw("Flags"), -32768);
    EXPECT_TRUE(par.GetBool());
    EXPECT_EQ(par.GetField(), 1);
}

TEST_F(TkxParBoolFieldTest, TextIsRefusedAndBitsBeyondTheElementThrow) {
    TkxParBoolField par(Reg("Control"), 4, 0);
    try {
        static_cast<TkxParValue&>(par).SetValueString("1");
        FAIL() << "text was taken";
    } catch (const ETkxError& e) {
        EXPECT_STREQ(e.what(), "TkxParBoolField::SetValueString operation not allowed.");
    }
    EXPECT_THROW(TkxParBoolField(Reg("Control"), 16, 0).SetBool(true), ETkxError);
    EXPECT_THROW(TkxParBoolField(Reg("Control"), 40, 0).GetBool(), ETkxError);
    EXPECT_THROW(TkxParBoolField(Reg("Control"), 0, 2).SetBool(true), ETkxError);
    EXPECT_EQ(Raw("Control", 1), 0);
    EXPECT_EQ(Raw("Flags"), 0);
}

TEST_F(TkxParBoolFieldTest, WithoutARegister) {
    TkxParBoolField par(nullptr, 3, 0);
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    EXPECT_FALSE(par.GetBool() || par.GetMaxBool() || par.HasMax());
    EXPECT_FALSE(par.SetBool(true));
    par.SetDefault();
    EXPECT_FALSE(fired);
    TkxParItems items{{"kept", 3}};
    par.FillItems(&items, false);
    EXPECT_EQ(items.size(), 1U);
}

} // namespace
