#include "params/tkxparencodedcls.h"

#include "base/tkxerror.h"
#include "tkxparfixture.h"

#include <gmock/gmock.h>

#include <cmath>

namespace {

using ::testing::ElementsAre;

class TkxParEncodedTest : public TkxParFixture {
protected:
    TkxParEncodedTest()
        : TkxParFixture("params_fields.par") {}
};

TEST_F(TkxParEncodedTest, ValuesShowTheirDescriptionOrTheirNumber) {
    TkxParEncoded mode(Reg("Mode"), 0);
    EXPECT_EQ(mode.GetDescription(), "Operating mode");
    ASSERT_TRUE(mode.SetCode(2));
    EXPECT_EQ(mode.GetValueString(), "Torque");
    ASSERT_TRUE(mode.SetCode(3));
    EXPECT_EQ(mode.GetValueString(), "3 (3h)");
    EXPECT_EQ(mode.GetValueDouble(), 3.0);

    Reg("Status")->SetValueInteger(0, 7);
    EXPECT_EQ(TkxParEncoded(Reg("Status"), 0).GetValueString(), "7 (7h)");
    Reg("Flags")->SetValueInteger(0, -1);
    const TkxParEncoded flags(Reg("Flags"), 0);
    EXPECT_EQ(flags.GetCode(), -1);
    EXPECT_EQ(flags.GetValueString(), "-1 (FFFFFFFFh)");
}

TEST_F(TkxParEncodedTest, LimitsAndDefaultReadAsCodes) {
    const TkxParEncoded mode(Reg("Mode"), 0);
    EXPECT_EQ(mode.GetMaxCode(), 5);
    EXPECT_EQ(mode.GetMax(), 5.0);
    EXPECT_EQ(mode.GetMaxText(), "5 (5h)");
    EXPECT_EQ(mode.GetMinText(), "Off");
    EXPECT_EQ(mode.GetDfltCode(), 2);
    EXPECT_EQ(mode.GetDfltText(), "Torque");

    const TkxParEncoded status(Reg("Status"), 0);
    EXPECT_FALSE(status.HasMax() || status.HasMin() || status.HasDflt());
    EXPECT_EQ(status.GetMaxText(), "");
    EXPECT_EQ(status.GetDfltText(), "");
}

TEST_F(TkxParEncodedTest, CodesThatDoNotFitAreRefusedAndFireNothing) {
    TkxParEncoded mode(Reg("Mode"), 0);
    int changes = 0;
    mode.OnChange = [&](TkxParValue*) { ++changes; };
    EXPECT_TRUE(mode.SetCode(4));
    EXPECT_FALSE(mode.SetCode(6)) << "above the maximum";
    EXPECT_FALSE(mode.SetCode(-1)) << "negative codes are list commands";
    mode.SetValueDouble(5.9);
    EXPECT_EQ(mode.GetCode(), 5);
    mode.SetValueDouble(NAN);
    mode.SetValueDouble(INFINITY);
    mode.SetValueDouble(1e12);
    EXPECT_EQ(mode.GetCode(), 5);
    EXPECT_EQ(changes, 2);

    TkxParEncoded status(Reg("Status"), 0);
    EXPECT_FALSE(status.SetCode(65536)) << "no silent clamp to the type";
    EXPECT_TRUE(status.SetCode(65535));
    EXPECT_EQ(Raw("Status"), 65535);
    TkxParEncoded options(Reg("Options"), 0);
    EXPECT_FALSE(options.SetCode(256));
    EXPECT_TRUE(options.SetCode(255));
    EXPECT_EQ(Raw("Options"), 255);
    TkxParEncoded flags(Reg("Flags"), 0);
    EXPECT_FALSE(flags.SetCode(32768));
}

TEST_F(TkxParEncodedTest, LinkedLimitIsReadWhenTheCodeIsSet) {
    Reg("Mode")->SetMaxRegister(Reg("Status"));
    TkxParEncoded mode(Reg("Mode"), 0);
    Reg("Status")->SetValueInteger(0, 3);
    EXPECT_FALSE(mode.SetCode(4));
    Reg("Status")->SetValueInteger(0, 4);
    EXPECT_TRUE(mode.SetCode(4));
    EXPECT_EQ(mode.GetValueString(), "Position");
}

TEST_F(TkxParEncodedTest, TextIsNeverTaken) {
    TkxParEncoded mode(Reg("Mode"), 0);
    mode.SetCode(1);
    bool fired = false;
    mode.OnChange = [&](TkxParValue*) { fired = true; };
    TkxParValue& general = mode;
    try {
        general.SetValueString("2");
        FAIL() << "text was taken";
    } catch (const ETkxError& e) {
        EXPECT_STREQ(e.what(), "TkxParEncoded::SetValueString operation not allowed.");
    }
    EXPECT_EQ(mode.GetCode(), 1);
    EXPECT_FALSE(fired);
}

TEST_F(TkxParEncodedTest, ChoiceListHoldsTheDescribedCodesOfTheRange) {
    const TkxParEncoded baud(Reg("Baud"), 0);
    TkxParItems items;
    baud.FillItems(&items, true);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"38400bps (dflt)", TkxParItem::DefaultCode},
                                   TkxParItem{"4800bps (min)", TkxParItem::MinimumCode},
                                   TkxParItem{"115200bps (max)", TkxParItem::MaximumCode},
                                   TkxParItem{"----------", TkxParItem::SeparatorCode},
                                   TkxParItem{"4800bps", 0}, TkxParItem{"9600bps", 1},
                                   TkxParItem{"19200bps", 2}, TkxParItem{"38400bps", 3},
                                   TkxParItem{"57600bps", 4}, TkxParItem{"115200bps", 5}));

    TkxParEncoded(Reg("Mode"), 0).FillItems(&items, false);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Off", 0}, TkxParItem{"Speed", 1},
                                   TkxParItem{"Torque", 2}, TkxParItem{"Position", 4}));

    TkxParEncoded(Reg("Trim"), 0).FillItems(&items, false);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Centre", 0}, TkxParItem{"Up", 1}))
        << "a negative value would read as a command";

    TkxParEncoded(Reg("Status"), 0).FillItems(&items, true);
    EXPECT_TRUE(items.empty()) << "no limits, no range";
}

TEST_F(TkxParEncodedTest, WideRangeListsOnlyCodesWithTheirOwnDescription) {
    TkxParItems items;
    TkxParEncoded(Reg("Counter"), 0).FillItems(&items, false);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"Seven", 7}, TkxParItem{"Many", 1500000000}));
}

TEST_F(TkxParEncodedTest, DefaultOnlyWhenThereIsOne) {
    TkxParEncoded mode(Reg("Mode"), 0);
    TkxParEncoded status(Reg("Status"), 0);
    int changes = 0;
    mode.OnChange = status.OnChange = [&](TkxParValue*) { ++changes; };
    status.SetDefault();
    EXPECT_EQ(changes, 0);
    mode.SetDefault();
    EXPECT_EQ(mode.GetCode(), 2);
    EXPECT_EQ(changes, 1);
}

TEST_F(TkxParEncodedTest, WithoutARegisterNothingIsReadOrStored) {
    TkxParEncoded par(nullptr, 0);
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    EXPECT_EQ(par.GetCode(), 0);
    EXPECT_EQ(par.GetMaxCode(), 0);
    EXPECT_EQ(par.GetValueString(), "");
    EXPECT_EQ(par.GetDescription(), "");
    EXPECT_FALSE(par.SetCode(1));
    par.SetValueDouble(1.0);
    par.SetDefault();
    EXPECT_FALSE(fired);
    TkxParItems items{{"kept", 3}};
    par.FillItems(&items, true);
    EXPECT_EQ(items.size(), 1U);
}

TEST_F(TkxParEncodedTest, ElementBeyondTheRegisterNeverReachesItsNeighbour) {
    TkxParEncoded par(Reg("Status"), 1);
    EXPECT_THROW(par.GetCode(), ETkxError);
    EXPECT_THROW(par.SetCode(1), ETkxError);
    EXPECT_THROW(par.GetValueString(), ETkxError);
    EXPECT_EQ(Raw("Trim"), 0);
}

} // namespace
