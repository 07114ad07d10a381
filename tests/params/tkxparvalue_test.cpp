#include "params/tkxparvaluecls.h"

#include "base/tkxerror.h"
#include "tkxparfixture.h"

#include <gmock/gmock.h>

#include <limits>

namespace {

using ::testing::ElementsAre;

class TkxParValueTest : public TkxParFixture {
protected:
    TkxParValueTest()
        : TkxParFixture("params_numeric.par") {}
};

TEST_F(TkxParValueTest, NewParameterTakesPartAndMayBeEdited) {
    const TkxParValue par(Reg("Frequency"), 0);
    EXPECT_TRUE(par.Enabled());
    EXPECT_TRUE(par.Visible());
    EXPECT_FALSE(par.ReadOnly());
    EXPECT_EQ(par.GetDevice(), nullptr) << "a bare buffer is no device";
}

TEST_F(TkxParValueTest, LimitsAndDefaultInTheDisplayFormat) {
    const TkxParValue par(Reg("Frequency"), 1);
    ASSERT_TRUE(par.HasMax() && par.HasMin() && par.HasDflt());
    EXPECT_EQ(par.GetMax(), 50.0);
    EXPECT_EQ(par.GetMaxText(), "50.0 Hz");
    EXPECT_EQ(par.GetMinText(), "0.0 Hz");
    EXPECT_EQ(par.GetDfltText(), "25.0 Hz");
    EXPECT_EQ(par.GetDescription(), "Secondary frequency");

    const TkxParValue plain(Reg("Ramp"), 0);
    EXPECT_FALSE(plain.HasMax() || plain.HasMin() || plain.HasDflt());
    EXPECT_EQ(plain.GetMax(), 0.0);
    EXPECT_EQ(plain.GetMaxText(), "");
    EXPECT_EQ(plain.GetDfltText(), "");
}

TEST_F(TkxParValueTest, LinkedLimitIsReadAtTheMomentOfTheCheck) {
    TkxRegister* limit = Reg("FreqLimit");
    Reg("Frequency")->SetMaxRegister(limit);
    TkxParValue par(Reg("Frequency"), 0);
    limit->SetValueDouble(0, 30.0);
    EXPECT_EQ(par.GetMaxText(), "30.0 Hz");
    EXPECT_EQ(par.SetValueString("35"), "at most 30");
    limit->SetValueDouble(0, 40.0);
    EXPECT_EQ(par.SetValueString("35"), "");
    EXPECT_EQ(par.GetValueString(), "35.0 Hz");
}

TEST_F(TkxParValueTest, TypedTextIsStoredOrRefusedWithAReason) {
    TkxParValue par(Reg("Frequency"), 1);
    int changes = 0;
    par.OnChange = [&](TkxParValue* sender) {
        EXPECT_EQ(sender, &par);
        ++changes;
    };
    EXPECT_EQ(par.SetValueString("12.5 Hz"), "");
    EXPECT_EQ(par.GetValueDouble(), 12.5);
    EXPECT_EQ(changes, 1);

    EXPECT_EQ(par.SetValueString("fast"), "a number in Hz");
    EXPECT_EQ(par.SetValueString("50.1"), "at most 50");
    EXPECT_EQ(par.SetValueString("-1"), "a value the register's type can hold, from 0 to 6553.5");
    EXPECT_EQ(par.SetValueString("12.55"), "a value it can hold exactly, such as 12.5 or 12.6");
    EXPECT_EQ(par.GetValueString(), "12.5 Hz") << "refused texts keep the value";
    EXPECT_EQ(changes, 1) << "refused texts fire nothing";
    EXPECT_EQ(Reg("Frequency")->GetValueInteger(0), 0) << "the other element untouched";
}

TEST_F(TkxParValueTest, SetsFromNumbersAndDefaultsFireOnChange) {
    TkxParValue par(Reg("Accel"), 0);
    int changes = 0;
    par.OnChange = [&](TkxParValue*) { ++changes; };
    par.SetValueDouble(-42.9);
    EXPECT_EQ(par.GetValueDouble(), -42.0);
    EXPECT_TRUE(par.IsModified());
    par.SetDefault();
    EXPECT_EQ(par.GetValueDouble(), 10.0);
    EXPECT_EQ(changes, 2);

    par.SetValueDouble(std::numeric_limits<double>::infinity());
    par.SetValueDouble(-std::numeric_limits<double>::infinity());
    par.SetValueDouble(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(par.GetValueDouble(), 10.0) << "non-finite numbers are never stored";
    EXPECT_EQ(changes, 2);
}

TEST_F(TkxParValueTest, ChoiceListOfAPlainParameterHoldsOnlyTheLimits) {
    const TkxParValue par(Reg("Frequency"), 0);
    TkxParItems items{{"old", 5}};
    par.FillItems(&items, false);
    EXPECT_TRUE(items.empty());
    par.FillItems(&items, true);
    EXPECT_THAT(items, ElementsAre(TkxParItem{"25.0 Hz (dflt)", TkxParItem::DefaultCode},
                                   TkxParItem{"0.0 Hz (min)", TkxParItem::MinimumCode},
                                   TkxParItem{"50.0 Hz (max)", TkxParItem::MaximumCode}));
    par.FillItems(nullptr, true);

    const TkxParValue bare(Reg("Ramp"), 0);
    bare.FillItems(&items, true);
    EXPECT_TRUE(items.empty());
}

TEST_F(TkxParValueTest, ListingRightAlignsTheDescription) {
    Reg("Accel")->SetValueInteger(0, -7);
    std::vector<std::string> lines;
    TkxParValue(Reg("Accel"), 0).AddToList(lines);
    TkxParValue(nullptr, 0).AddToList(lines);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], std::string(28, ' ') + "Acceleration: -7");
}

TEST_F(TkxParValueTest, WithoutARegisterReadsAreEmptyAndWritesRefused) {
    TkxParValue par(nullptr, 3);
    bool fired = false;
    par.OnChange = [&](TkxParValue*) { fired = true; };
    EXPECT_FALSE(par.HasMax() || par.HasMin() || par.HasDflt() || par.IsModified());
    EXPECT_EQ(par.GetValueDouble(), 0.0);
    EXPECT_EQ(par.GetValueString(), "");
    EXPECT_EQ(par.GetDescription(), "");
    EXPECT_FALSE(par.SetValueString("1").empty());
    par.SetValueDouble(1.0);
    par.SetDefault();
    EXPECT_FALSE(fired);
    EXPECT_EQ(par.ReadFromDevice(), 0);
    EXPECT_EQ(par.WriteToDevice(), 0);
    EXPECT_EQ(par.GetDevice(), nullptr);
}

TEST_F(TkxParValueTest, ElementBeyondTheRegisterNeverReachesItsNeighbour) {
    TkxParValue par(Reg("Accel"), 1);
    EXPECT_THROW(par.SetValueDouble(5.0), ETkxError);
    EXPECT_THROW(par.GetValueDouble(), ETkxError);
    EXPECT_EQ(Reg("Ramp")->GetValueInteger(0), 0);
}

} // namespace
