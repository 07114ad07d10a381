#include "params/tkxparbitfieldcls.h"

#include "base/tkxerror.h"
#include "tkxparfixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class TkxParBitFieldTest : public TkxParFixture {
protected:
    TkxParBitFieldTest()
        : TkxParFixture("params_fields.par") {}

    void Store(const char* name, int value, int element = 0) {
        Reg(name)->SetValueInteger(element, value);
    }
};

TEST_F(TkxParBitFieldTest, FieldReadsAndWritesOnlyItsBits) {
    Store("Control", 0xF5);
    TkxParBitField par(Reg("Control"), 0x30, 0);
    EXPECT_EQ(par.GetField(), 3);
    EXPECT_EQ(par.GetValueString(), "Bus");
    EXPECT_EQ(par.GetDescription(), "Speed source");
    ASSERT_TRUE(par.SetField(1));
    EXPECT_EQ(Raw("Control"), 0xD5);
    EXPECT_EQ(par.GetValueString(), "Terminal");
    ASSERT_TRUE(par.SetField(2));
    EXPECT_EQ(par.GetValueString(), "2 (2h)");
    EXPECT_EQ(Raw("Control", 1), 0) << "the other element untouched";
}

TEST_F(TkxParBitFieldTest, SelectedBitsPackWhateverTheGapsBetweenThem) {
    Store("Control", 0x02);
    TkxParBitField twoBits(Reg("Control"), 0x0A, 0);
    EXPECT_EQ(twoBits.GetMaxField(), 3);
    EXPECT_EQ(twoBits.GetField(), 1);
    twoBits.SetField(2);
    EXPECT_EQ(Raw("Control"), 0x08) << "code 2 sets bit 3 and clears bit 1";

    for (const std::uint32_t mask : {0x1FU, 0x8421U | 0x10000U, 0x80010421U}) {
        EXPECT_EQ(TkxParBitField(Reg("Counter"), mask, 0).GetMaxField(), 31) << mask;
    }

    TkxParBitField gaps(Reg("Control"), 0x0F0F, 0);
    ASSERT_EQ(gaps.GetMaxField(), 255);
    Store("Control", 0xF0F0);
    for (int code = 0; code <= 255; ++code) {
        ASSERT_TRUE(gaps.SetField(code));
        ASSERT_EQ(gaps.GetField(), code);
        ASSERT_EQ(Raw("Control") & 0xF0F0, 0xF0F0) << "bits outside the mask kept";
    }
    EXPECT_EQ(TkxParBitField::Unpack(0xA5, 0x0F0F), 0x0A05U);
}

TEST_F(TkxParBitFieldTest, CodesThatDoNotFitAreRefused) {
    Store("Control", 0x12);
    TkxParBitField par(Reg("Control"), 0x30, 0);
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_FALSE(par.SetField(4));
    EXPECT_FALSE(par.SetField(-1));
    par.SetValueDouble(7.0);
    EXPECT_EQ(Raw("Control"), 0x12);
    EXPECT_EQ(changes, 0);

    TkxParBitField beyond(Reg("Status"), 0x30000, 0);
    Store("Status", 0x1234);
    EXPECT_EQ(beyond.GetMaxField(), 3);
    EXPECT_FALSE(beyond.SetField(1)) << "bits a 16-bit element does not have";
    EXPECT_TRUE(beyond.SetField(0));
    EXPECT_EQ(Raw("Status"), 0x1234);
    EXPECT_FALSE(TkxParBitField(Reg("Options"), 0x300, 0).SetField(1));
}

TEST_F(TkxParBitFieldTest, FieldOverTheSignBitOfASignedElement) {
    Store("Flags", -1);
    TkxParBitField par(Reg("Flags"), 0xC000, 0);
    EXPECT_EQ(par.GetField(), 3);
    ASSERT_TRUE(par.SetField(1));
    EXPECT_EQ(Raw("Flags"), 0x7FFF) << "not clamped to the type's range";
    ASSERT_TRUE(par.SetField(2));
    EXPECT_EQ(Raw("Flags"), -16385) << "0xBFFF";
    EXPECT_EQ(TkxParBitField(Reg("Flags"), 0xFFFF0000, 0).GetField(), 0)
        << "the sign extension is no part of the element";
}

TEST_F(TkxParBitFieldTest, RangeIsTheWholeFieldAndTheDefaultIsPacked) {
    const TkxParBitField par(Reg("Control"), 0x30, 0);
    EXPECT_TRUE(par.HasMax() && par.HasMin() && par.HasDflt());
    EXPECT_EQ(par.GetMax(), 3.0);
    EXPECT_EQ(par.GetMaxText(), "Bus");
    EXPECT_EQ(par.GetMinText(), "Keypad");
    EXPECT_EQ(par.GetDfltField(), 2) << "bits 5 and 4 of 0x0123";
    EXPECT_EQ(par.GetDfltText(), "2 (2h)");

    TkxParItems items;
    par.FillItems(&items, true);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"2 (2h) (dflt)", TkxParItem::DefaultCode},
                                   TkxParItem{"Keypad (min)", TkxParItem::MinimumCode},
                                   TkxParItem{"Bus (max)", TkxParItem::MaximumCode},
                                   TkxParItem{"----------", TkxParItem::SeparatorCode},
                                   TkxParItem{"Keypad", 0}, TkxParItem{"Terminal", 1},
                                   TkxParItem{"Bus", 3}));
    TkxParBitField(Reg("Control"), 0x3, 1).FillItems(&items, false);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Any", 0}, TkxParItem{"Any", 1}, TkxParItem{"Any", 2},
                                   TkxParItem{"Any", 3}));
}

TEST_F(TkxParBitFieldTest, DefaultSetsOnlyTheFieldsBits) {
    Store("Control", 0xFFFF);
    TkxParBitField par(Reg("Control"), 0x30, 0);
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    par.SetDefault();
    EXPECT_EQ(Raw("Control"), 0xFFEF);
    EXPECT_EQ(changes, 1);
    TkxParBitField(Reg("Status"), 0x30, 0).SetDefault();
    EXPECT_EQ(Raw("Status"), 0) << "no default, nothing set";
}

TEST_F(TkxParBitFieldTest, GeneralOperationsReachTheField) {
    Store("Control", 0xF5);
    TkxParBitField field(Reg("Control"), 0x30, 0);
    TkxParEncoded& encoded = field;
    TkxParValue& value = field;
    EXPECT_EQ(encoded.GetCode(), 3);
    EXPECT_EQ(encoded.GetMaxCode(), 3);
    EXPECT_EQ(encoded.GetDfltCode(), 2);
    EXPECT_EQ(value.GetValueDouble(), 3.0);
    EXPECT_TRUE(encoded.SetCode(0));
    value.SetValueDouble(1.5);
    EXPECT_EQ(Raw("Control"), 0xD5);
    try {
        value.SetValueString("1");
        FAIL() << "text was taken";
    } catch (const ETkxError& e) {
        EXPECT_STREQ(e.what(), "TkxParBitField::SetValueString operation not allowed.");
    }
}

TEST_F(TkxParBitFieldTest, WithoutARegisterOrBeyondItsElements) {
    TkxParBitField none(nullptr, 0x30, 0);
    EXPECT_FALSE(none.HasMax() || none.HasMin() || none.HasDflt());
    EXPECT_EQ(none.GetMaxField(), 0);
    EXPECT_EQ(none.GetField(), 0);
    EXPECT_EQ(none.GetValueString(), "");
    EXPECT_FALSE(none.SetField(1));
    none.SetDefault();

    TkxParBitField beyond(Reg("Control"), 0x30, 2);
    EXPECT_THROW(beyond.GetField(), ETkxError);
    EXPECT_THROW(beyond.SetField(1), ETkxError);
    EXPECT_EQ(Raw("Flags"), 0);
}

} // namespace
