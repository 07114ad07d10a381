#include "base/tkxerror.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregbuffer_fixture.h"
#include "registers/tkxregdefinitioncls.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

double DateOf(int year, int month, int day) {
    double value = 0.0;
    EXPECT_TRUE(TkxFormat::TryEncodeDate(year, month, day, value));
    return value;
}

double TimeOf(int hour, int minute, int second) {
    double value = 0.0;
    EXPECT_TRUE(TkxFormat::TryEncodeTime(hour, minute, second, 0, value));
    return value;
}

// Registers of every layout, each followed directly by the next address after its registers.
constexpr std::string_view kLayouts = "[0]\nName=SShort\nType=signed short\nFormatNorm=10\n"
                                      "[1]\nName=UShort\n"
                                      "[2]\nName=Long\nType=unsigned long\n"
                                      "[4]\nName=UByte\nType=unsigned byte\n"
                                      "[5]\nName=SByte\nType=signed byte\n"
                                      "[6]\nName=Date\nType=date\nFormatString=dd/mm/yy\n"
                                      "[9]\nName=Time\nType=time\nFormatString=hh:mm:ss\n"
                                      "[12]\nName=Text\nType=string\nLength=4\n"
                                      "[16]\nName=After\n"
                                      "[17]\nName=SLong\nType=signed long\n";

class TkxRegisterLayout : public TkxRegBufferFixture {
protected:
    void SetUp() override { Load(kLayouts); }
};

TEST_F(TkxRegisterLayout, ShortsAreHighByteFirstAndSignExtendedWhenSigned) {
    Poke(0, {0xFF, 0xFE});
    Poke(1, {0xFF, 0xFE});
    EXPECT_EQ(Reg(0).GetValueInteger(0), -2);
    EXPECT_DOUBLE_EQ(Reg(0).GetValueDouble(0), -0.2);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 65534);
    EXPECT_DOUBLE_EQ(Reg(1).GetValueDouble(0), 65534.0);
}

TEST_F(TkxRegisterLayout, LongsKeepTheHighWordInTheLowerRegister) {
    Poke(2, {0x00, 0x01, 0x86, 0xA0});
    EXPECT_EQ(Reg(2).GetValueInteger(0), 100000);
    Reg(2).SetValueInteger(0, static_cast<std::int32_t>(0xDEADBEEF));
    EXPECT_EQ(Bytes(2, 4), (ByteList{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_DOUBLE_EQ(Reg(2).GetValueDouble(0), 3735928559.0);
    Reg(17).SetValueInteger(0, -2);
    EXPECT_EQ(Bytes(17, 4), (ByteList{0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_DOUBLE_EQ(Reg(17).GetValueDouble(0), -2.0);
}

TEST_F(TkxRegisterLayout, BytesUseTheLowByteAndStoreZeroAbove) {
    Poke(4, {0x12, 0xFF});
    Poke(5, {0x12, 0xFF});
    EXPECT_EQ(Reg(4).GetValueInteger(0), 255);
    EXPECT_EQ(Reg(5).GetValueInteger(0), -1);
    Reg(4).SetValueInteger(0, 7);
    EXPECT_EQ(Bytes(4, 2), (ByteList{0x00, 0x07}));
}

TEST_F(TkxRegisterLayout, DatesHoldDayMonthAndYearInLowBytes) {
    Poke(6, {0x00, 0x0C, 0x00, 0x05, 0x00, 0x03});
    EXPECT_EQ(Reg(6).GetValueDateTime(0), DateOf(2003, 5, 12));
    EXPECT_EQ(Reg(6).GetValueText(0, 0), "12/05/03");
    EXPECT_EQ(Reg(6).GetValueDouble(0), DateOf(2003, 5, 12));
    Poke(6, {0x00, 0x0C, 0x00, 0x05, 0x00, 51});
    EXPECT_EQ(Reg(6).GetValueDateTime(0), DateOf(1951, 5, 12));
    Poke(6, {0x00, 0x0C, 0x00, 0x05, 0x00, 50});
    EXPECT_EQ(Reg(6).GetValueDateTime(0), DateOf(2050, 5, 12));

    Reg(6).SetValueDateTime(0, DateOf(1999, 12, 31) + TimeOf(23, 0, 0));
    EXPECT_EQ(Bytes(6, 6), (ByteList{0, 31, 0, 12, 0, 99}));
}

TEST_F(TkxRegisterLayout, InvalidDateFieldsReadAsTheCurrentDateAndTime) {
    const double before = TkxFormat::Now();
    const double value = Reg(6).GetValueDateTime(0);
    EXPECT_GE(value, std::floor(before));
    EXPECT_LE(value, TkxFormat::Now() + 1e-9);
    Poke(9, {0, 61, 0, 0, 0, 0});
    EXPECT_GE(Reg(9).GetValueDateTime(0), std::floor(before));
}

TEST_F(TkxRegisterLayout, TimesHoldSecondsMinutesAndHours) {
    Reg(9).SetValueDateTime(0, DateOf(2020, 1, 1) + TimeOf(14, 5, 9));
    EXPECT_EQ(Bytes(9, 6), (ByteList{0x00, 0x09, 0x00, 0x05, 0x00, 0x0E}));
    EXPECT_DOUBLE_EQ(Reg(9).GetValueDateTime(0), TimeOf(14, 5, 9));
    EXPECT_EQ(Reg(9).GetValueText(0, 0), "14:05:09");
}

TEST_F(TkxRegisterLayout, StringsTakeOneRegisterPerCharacterAndAreCutToTheirLength) {
    Reg(12).SetValueText("  AB ", -1, 0);
    EXPECT_EQ(Bytes(12, 8), (ByteList{0x00, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Reg(12).GetValueText(-1, 0), "AB");

    Reg(16).SetValueInteger(0, 0x1234);
    Reg(12).SetValueText("ABCDEFGH", -1, 0);
    EXPECT_EQ(Reg(12).GetValueText(5, 0), "ABCD");
    EXPECT_EQ(Reg(16).GetValueInteger(0), 0x1234);
    EXPECT_EQ(Bytes(12, 10), (ByteList{0, 'A', 0, 'B', 0, 'C', 0, 'D', 0x12, 0x34}));
}

TEST_F(TkxRegisterLayout, WrongTypesAndIndexesThrowAndWriteNothing) {
    const auto message = [](const auto& call) {
        try {
            call();
        } catch (const ETkxError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { Reg(6).GetValueInteger(0); }), "GetValueInteger: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(1).GetValueInteger(1); }), "GetValueInteger: Index out of range!");
    EXPECT_EQ(message([&] { Reg(1).GetValueInteger(-1); }), "GetValueInteger: Index out of range!");
    EXPECT_EQ(message([&] { Reg(12).GetValueDouble(0); }), "GetValueDouble: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(1).GetValueDateTime(0); }), "GetValueDateTime: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(6).GetValueDateTime(1); }),
              "GetValueDateTime: Index out of range.");
    EXPECT_EQ(message([&] { Reg(1).GetValueBit(0, 16); }), "GetValueBit: Bit index out of range.");
    EXPECT_EQ(message([&] { Reg(12).GetValueMasked(0, 0); }), "GetValueMasked: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(9).SetValueInteger(0, 1); }), "SetValueInteger: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(1).SetValueInteger(3, 1); }),
              "SetValueInteger: Index out of range!");
    EXPECT_EQ(message([&] { Reg(12).SetValueDouble(0, 1); }), "SetValueDouble: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(1).SetValueDateTime(0, 1); }),
              "SetValueDateTime: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(9).SetValueDateTime(2, 1); }),
              "SetValueDateTime: Index out of range.");
    EXPECT_EQ(message([&] { Reg(6).SetValueBit(0, 1, true); }), "SetValueBit: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(1).SetValueBit(1, 1, true); }), "SetValueBit: Index out of range!");
    EXPECT_EQ(message([&] { Reg(1).SetValueBit(0, -1, true); }),
              "SetValueBit: Bit index out of range.");
    EXPECT_EQ(message([&] { Reg(12).SetValueMasked(0, 1, 1); }),
              "SetValueMasked: Wrong data type!");
    EXPECT_EQ(message([&] { Reg(12).AssignDefault(0, 0); }), "AssignDefault: Wrong data type!");
    EXPECT_TRUE(AllZero());
    EXPECT_FALSE(Reg(1).LastChanged());
}

TEST_F(TkxRegisterLayout, BitsCoverTheElementWidth) {
    Poke(17, {0x00, 0x01, 0x00, 0x00});
    EXPECT_TRUE(Reg(17).GetValueBit(0, 16));
    EXPECT_FALSE(Reg(17).GetValueBit(0, 15));
    EXPECT_THROW(Reg(17).GetValueBit(0, 32), ETkxError);
    Reg(1).SetValueBit(0, 15, true);
    Reg(1).SetValueBit(0, 0, true);
    EXPECT_EQ(Bytes(1, 2), (ByteList{0x80, 0x01}));
    Reg(1).SetValueBit(0, 15, false);
    EXPECT_EQ(Bytes(1, 2), (ByteList{0x00, 0x01}));
}

TEST_F(TkxRegisterLayout, MasksSelectAndReplaceBitFields) {
    Reg(1).SetValueInteger(0, 0x1234);
    EXPECT_EQ(Reg(1).GetValueMasked(0, 0x0F00), 0x0200);
    EXPECT_EQ(Reg(1).GetValueMasked(0, 0), 0x1234);
    Reg(1).SetValueMasked(0, 0x0700, 0x0F00);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 0x1734);
    Reg(1).SetValueMasked(0, 0x0005, 0);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 5);
}

class TkxRegisterClamping : public TkxRegBufferFixture {};

TEST_F(TkxRegisterClamping, StoresAreClampedToTheTypeRange) {
    Load("[0]\nType=unsigned short\n[1]\nType=signed short\n[2]\nType=unsigned byte\n"
         "[3]\nType=signed byte\n[4]\nType=signed long\n");
    Reg(0).SetValueInteger(0, 70000);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 65535);
    // Unsigned types compare unsigned: -1 is the largest value.
    Reg(0).SetValueInteger(0, -1);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 65535);
    Reg(1).SetValueInteger(0, 40000);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 32767);
    Reg(1).SetValueInteger(0, -40000);
    EXPECT_EQ(Reg(1).GetValueInteger(0), -32768);
    // Byte registers clamp to 16 bits and keep the low byte.
    Reg(2).SetValueInteger(0, 300);
    EXPECT_EQ(Reg(2).GetValueInteger(0), 44);
    Reg(3).SetValueInteger(0, -2);
    EXPECT_EQ(Reg(3).GetValueInteger(0), -2);
    Reg(4).SetValueInteger(0, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Reg(4).GetValueInteger(0), std::numeric_limits<std::int32_t>::min());
}

TEST_F(TkxRegisterClamping, DisplayValuesAreScaledAndTruncatedTowardZero) {
    Load("[0]\nType=signed short\nFormatNorm=100\n[1]\nType=signed short\nFormatNorm=10\n"
         "FormatOffset=-20\n[2]\nType=unsigned long\n[3]\nType=signed long\n");
    Reg(0).SetValueDouble(0, 0.29);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 28);
    Reg(0).SetValueDouble(0, -0.29);
    EXPECT_EQ(Reg(0).GetValueInteger(0), -28);
    Reg(1).SetValueDouble(0, 0.0);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 200);
    EXPECT_DOUBLE_EQ(Reg(1).GetValueDouble(0), 0.0);
    // Values beyond 32 bits saturate instead of wrapping.
    Reg(2).SetValueDouble(0, 5e9);
    EXPECT_EQ(static_cast<std::uint32_t>(Reg(2).GetValueInteger(0)), 4294967295U);
    Reg(3).SetValueDouble(0, -1e300);
    EXPECT_EQ(Reg(3).GetValueInteger(0), std::numeric_limits<std::int32_t>::min());
    Reg(3).SetValueDouble(0, 12);
    Reg(3).SetValueDouble(0, std::nan(""));
    EXPECT_EQ(Reg(3).GetValueInteger(0), 12);
}

TEST_F(TkxRegisterClamping, ConstantLimitsWinOverTheTypeRange) {
    Load("[0]\nType=unsigned short\nMaxValue=50.0\nMinValue=10\nFormatNorm=10\n"
         "[1]\nType=signed short\nMinValue=-5\n");
    EXPECT_TRUE(Reg(0).HasLimits());
    Reg(0).SetValueDouble(0, 99.9);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 500);
    Reg(0).SetValueInteger(0, 3);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 100);
    Reg(1).SetValueInteger(0, -100);
    EXPECT_EQ(Reg(1).GetValueInteger(0), -5);
    Reg(1).SetValueInteger(0, 32767);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 32767);
}

TEST_F(TkxRegisterClamping, LimitsOutsideTheTypeRangeNeverWrapTheStoredValue) {
    Load("[0]\nType=unsigned short\nMinValue=-10\n[1]\nType=unsigned short\nMaxValue=70000\n"
         "[2]\nType=signed short\nMaxValue=1.0e30\nMinValue=-1.0e30\n");
    Reg(0).SetValueInteger(0, 5);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 5);
    Reg(1).SetValueInteger(0, 69000);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 65535);
    Reg(2).SetValueInteger(0, -32768);
    EXPECT_EQ(Reg(2).GetValueInteger(0), -32768);
}

TEST_F(TkxRegisterClamping, LinkedLimitsFollowTheOtherRegistersLiveValue) {
    Load("[0]\nName=Top\nType=signed short\nFormatNorm=10\n"
         "[1]\nName=Value\nType=signed short\nFormatNorm=10\nMaxValue=1000\nMinValue=-1000\n"
         "[2]\nName=Bottom\nType=signed short\n");
    TkxRegister& value = Reg(1);
    value.SetMaxRegister(&Reg(0), 0.5);
    Reg(0).SetValueDouble(0, 3.0);
    value.SetValueDouble(0, 10.0);
    EXPECT_DOUBLE_EQ(value.GetValueDouble(0), 3.5);
    Reg(0).SetValueDouble(0, 4.0);
    value.SetValueDouble(0, 10.0);
    EXPECT_DOUBLE_EQ(value.GetValueDouble(0), 4.5);

    value.SetLimitRegisters(&Reg(2), &Reg(0), -1.0, 0.0);
    Reg(2).SetValueInteger(0, 2);
    value.SetValueDouble(0, -50.0);
    EXPECT_DOUBLE_EQ(value.GetValueDouble(0), 1.0);
    EXPECT_EQ(value.MinBound()->Reference(), &Reg(2));

    // Back to constants: the references are dropped.
    value.SetLimits(-2.0, 2.0);
    value.SetValueDouble(0, 50.0);
    EXPECT_DOUBLE_EQ(value.GetValueDouble(0), 2.0);
    EXPECT_EQ(value.MaxBound()->Reference(), nullptr);
}

TEST_F(TkxRegisterClamping, BoundsSetLaterDoNotTurnOnLimits) {
    Load("[0]\nName=Free\n");
    Reg(0).SetLimits(0, 10);
    EXPECT_FALSE(Reg(0).HasLimits());
    EXPECT_DOUBLE_EQ(Reg(0).MaxBound()->GetValue(0), 10.0);
    Reg(0).SetValueInteger(0, 20);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 20);
}

TEST(TkxRegBound, OffsetsApplyToLimitsButNotToDefaults) {
    TkxRegBound limit(TkxRegBound::KindMaximum, 10.0);
    limit.SetOffset(2.5);
    EXPECT_DOUBLE_EQ(limit.GetValue(0), 12.5);
    TkxRegBound dflt(TkxRegBound::KindDefault, 10.0);
    dflt.SetOffset(2.5);
    EXPECT_DOUBLE_EQ(dflt.GetValue(0), 10.0);
}

class TkxRegisterEvents : public TkxRegBufferFixture {
protected:
    void SetUp() override {
        Load("[0]\nName=Speed\n[1]\nName=When\nType=date\n");
        Reg(0).OnChange = [this](TkxRegister* sender, bool changed) {
            EXPECT_EQ(sender, &Reg(0));
            FChanges.push_back(changed);
        };
    }

    std::vector<bool> FChanges;
};

TEST_F(TkxRegisterEvents, LastChangedTellsWhetherAStoredByteChanged) {
    Reg(0).SetValueInteger(0, 42);
    EXPECT_TRUE(Reg(0).LastChanged());
    Reg(0).SetValueInteger(0, 42);
    EXPECT_FALSE(Reg(0).LastChanged());
    Reg(0).SetValueBit(0, 1, true);
    EXPECT_FALSE(Reg(0).LastChanged());
    Reg(0).SetValueBit(0, 0, true);
    EXPECT_TRUE(Reg(0).LastChanged());
    EXPECT_THAT(FChanges, ElementsAre(true, false, false, true));
}

TEST_F(TkxRegisterEvents, RefusedChangesLeaveEverythingUntouched) {
    Reg(0).SetValueInteger(0, 5);
    std::vector<double> asked;
    Reg(0).OnBeforeChange = [&](TkxRegister*, bool& accept, double value) {
        asked.push_back(value);
        accept = false;
    };
    Reg(0).SetValueInteger(0, -1);
    Reg(0).SetValueDouble(0, 9);
    Reg(0).SetValueBit(0, 3, true);
    Reg(0).SetValueText("12", 0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 5);
    EXPECT_TRUE(Reg(0).LastChanged());
    EXPECT_THAT(FChanges, ElementsAre(true));
    // The value is offered before clamping, taken as unsigned 32 bits.
    EXPECT_THAT(asked, ElementsAre(4294967295.0, 9.0, 1.0, 12.0));
}

TEST_F(TkxRegisterEvents, DateTimeWritesAskWithTheDayNumber) {
    double asked = 0.0;
    Reg(1).OnBeforeChange = [&](TkxRegister*, bool& accept, double value) {
        asked = value;
        accept = value < 40000;
    };
    Reg(1).SetValueDateTime(0, DateOf(2003, 5, 12));
    EXPECT_EQ(asked, DateOf(2003, 5, 12));
    EXPECT_TRUE(Reg(1).LastChanged());
    Reg(1).SetValueDateTime(0, DateOf(2020, 1, 1));
    EXPECT_EQ(Bytes(1, 6), (ByteList{0, 12, 0, 5, 0, 3}));
    // A value that is no date writes nothing but still completes the write.
    Reg(1).SetValueDateTime(0, -1e12);
    EXPECT_FALSE(Reg(1).LastChanged());
    EXPECT_EQ(Bytes(1, 6), (ByteList{0, 12, 0, 5, 0, 3}));
}

class TkxRegisterText : public TkxRegBufferFixture {
protected:
    void SetUp() override {
        Load("[0]\nName=Volt\nType=signed short\nFormatNorm=10\nFormatString=\"#0.0'V'\"\n"
             "DfltValue=1.5\n"
             "[1]\nName=Mode\nType=bool short\nDescr=Mode word\nDescr[0m0v3]=Three\n"
             "Descr[0m700]=Base\nDescr[0m700v512]=Base two\nDescr[0m1]=Ready\nDfltValue=0x0203\n"
             "[2]\nName=Plain\nType=unsigned short\nLength=3\nDfltValue=7\n"
             "[5]\nName=Day\nType=date\nFormatString=dd/mm/yy\nLength=2\n"
             "[11]\nName=Stamp\nType=time\n"
             "[14]\nName=Label\nType=string\nLength=6\n");
    }
};

TEST_F(TkxRegisterText, NumbersShowThroughTheirPicture) {
    Reg(0).SetValueInteger(0, -123);
    EXPECT_EQ(Reg(0).GetValueText(0, 0), "-12.3V");
    Reg(2).SetValueInteger(1, 65535);
    EXPECT_EQ(Reg(2).GetValueText(1, 0), "65535");
}

TEST_F(TkxRegisterText, BoolsShowTheirValueDescriptions) {
    Reg(1).SetValueInteger(0, 3);
    EXPECT_EQ(Reg(1).GetValueText(0, 0), "Three");
    Reg(1).SetValueInteger(0, 0x0203);
    EXPECT_EQ(Reg(1).GetValueText(0, 0x700), "Base two");
    EXPECT_EQ(Reg(1).GetValueText(0, 0), "515 (203h)");
}

TEST_F(TkxRegisterText, TextsAreReadByTheRegistersKind) {
    Reg(0).SetValueText(" 2.57 ", 0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 25);
    Reg(0).SetValueText("not a number", 0, 0);
    Reg(0).SetValueText("nan", 0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 25);
    Reg(1).SetValueText("0x500", 0, 0x700);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 0x500);
    Reg(1).SetValueText("1.5", 0, 0);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 0x500);
    Reg(5).SetValueText("24/12/99", 1, 0);
    EXPECT_EQ(Reg(5).GetValueText(1, 0), "24/12/99");
}

TEST_F(TkxRegisterText, TextsThatAreNoDateReachTheCallerAndWriteNothing) {
    Reg(5).SetValueText("24/12/99", 0, 0);
    try {
        Reg(5).SetValueText("31/02/99", 0, 0);
        ADD_FAILURE() << "no error";
    } catch (const ETkxError& error) {
        EXPECT_THAT(error.what(), HasSubstr("31/02/99"));
    }
    EXPECT_EQ(Reg(5).GetValueText(0, 0), "24/12/99");
}

TEST_F(TkxRegisterText, DefaultsGoToOneOrEveryElement) {
    Reg(2).AssignDefault(1, 0);
    EXPECT_EQ(Reg(2).GetValueInteger(0), 0);
    EXPECT_EQ(Reg(2).GetValueInteger(1), 7);
    Reg(2).AssignDefault(-1, 0);
    EXPECT_EQ(Reg(2).GetValueInteger(2), 7);
    Reg(0).AssignDefault(0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 15);
    // A bool default merges under the mask only.
    Reg(1).SetValueInteger(0, 0xF0F0);
    Reg(1).AssignDefault(0, 0x0F00);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 0xF2F0);
    // Without a default nothing happens.
    Reg(11).SetValueDateTime(0, TimeOf(1, 2, 3));
    Reg(11).AssignDefault(-1, 0);
    EXPECT_DOUBLE_EQ(Reg(11).GetValueDateTime(0), TimeOf(1, 2, 3));
}

class TkxRegisterFile : public TkxRegisterText {
protected:
    std::string Line(std::string_view key) {
        for (const auto& line : FFile.Lines()) {
            if (line.starts_with(std::string(key) + "=")) {
                return line;
            }
        }
        return "missing";
    }

    TkxTextResource FFile;
};

TEST_F(TkxRegisterFile, SingleValuesAreWrittenInTheExportForm) {
    Reg(0).SetValueInteger(0, -1234);
    Reg(0).SaveToResource("S", &FFile);
    EXPECT_EQ(Line("Volt"), "Volt=\"\"-1234\"\"");
    Reg(1).SetValueInteger(0, 0xFFFF);
    Reg(1).SaveToResource("S", &FFile);
    EXPECT_EQ(Line("Mode"), "Mode=\"\"65535\"\"");
    Reg(14).SetValueText("Motor", -1, 0);
    Reg(14).SaveToResource("S", &FFile);
    EXPECT_EQ(Line("Label"), "Label=\"Motor\"");
    Reg(0).SaveToResource("S", nullptr);
}

TEST_F(TkxRegisterFile, EveryElementComesBackAtItsIndex) {
    for (int i = 0; i < 3; ++i) {
        Reg(2).SetValueInteger(i, 100 + i);
    }
    Reg(5).SetValueDateTime(0, DateOf(2003, 5, 12));
    Reg(5).SetValueDateTime(1, DateOf(1998, 1, 2));
    Reg(2).SaveToResource("S", &FFile);
    Reg(5).SaveToResource("S", &FFile);
    EXPECT_EQ(Line("Plain"), "Plain=\"\"100\",\"101\",\"102\"\"");
    EXPECT_EQ(Line("Day"), "Day=\"12/05/03,\"02/01/98\"\"");

    for (int i = 0; i < 3; ++i) {
        Reg(2).SetValueInteger(i, 0);
    }
    Reg(5).SetValueDateTime(0, DateOf(2010, 1, 1));
    Reg(5).SetValueDateTime(1, DateOf(2010, 1, 1));
    ASSERT_TRUE(Reg(2).LoadFromResource("S", &FFile));
    ASSERT_TRUE(Reg(5).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(2).GetValueInteger(0), 100);
    EXPECT_EQ(Reg(2).GetValueInteger(2), 102);
    EXPECT_EQ(Reg(5).GetValueText(0, 0), "12/05/03");
    EXPECT_EQ(Reg(5).GetValueText(1, 0), "02/01/98");
}

TEST_F(TkxRegisterFile, ArraysInTheEarlierDoubleQuotedFormAreRead) {
    FFile.SetText("[S]\nPlain=\"\"\"1\",\"2\",\"3\"\"\"\n");
    ASSERT_TRUE(Reg(2).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(2).GetValueInteger(0), 1);
    EXPECT_EQ(Reg(2).GetValueInteger(2), 3);
}

TEST_F(TkxRegisterFile, TimesComeBackThroughTheFile) {
    Reg(11).SetValueText("14:05:09", 0, 0);
    Reg(11).SaveToResource("S", &FFile);
    EXPECT_EQ(Line("Stamp"), "Stamp=\"14:05:09\"");
    Reg(11).SetValueText("0:0", 0, 0);
    // An empty picture shows a time register's midnight as a time, not as the zero date.
    EXPECT_EQ(Reg(11).GetValueText(0, 0), "00:00:00");
    ASSERT_TRUE(Reg(11).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(11).GetValueText(0, 0), "14:05:09");
}

TEST_F(TkxRegisterFile, UnreadableItemsKeepTheirDefault) {
    FFile.SetText("[S]\nPlain=\"\"5\",x,\"-3\",\"9\"\"\nDay=\"31/02/03,\"01/02/03\"\"\n"
                  "Volt=\"\"\n");
    ASSERT_TRUE(Reg(2).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(2).GetValueInteger(0), 5);
    EXPECT_EQ(Reg(2).GetValueInteger(1), 7);
    // "%lu" reads a minus sign as the two's complement, which clamps to the top.
    EXPECT_EQ(Reg(2).GetValueInteger(2), 65535);
    Reg(5).SetValueDateTime(0, DateOf(2004, 4, 4));
    ASSERT_TRUE(Reg(5).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(5).GetValueText(1, 0), "01/02/03");
    EXPECT_EQ(Reg(5).GetValueText(0, 0), "04/04/04");
    // An empty value still resets to the default, but reports nothing found.
    Reg(0).SetValueInteger(0, 99);
    EXPECT_FALSE(Reg(0).LoadFromResource("S", &FFile));
    EXPECT_EQ(Reg(0).GetValueInteger(0), 15);
    EXPECT_FALSE(Reg(0).LoadFromResource("Missing", &FFile));
    EXPECT_FALSE(Reg(0).LoadFromResource("S", nullptr));
}

TEST_F(TkxRegisterFile, DumpListsElementsAndDescribedBits) {
    Reg(1).SetValueInteger(0, 0x0203);
    Reg(14).SetValueText("Motor", -1, 0);
    std::vector<std::string> lines;
    Reg(0).Dump(lines);
    Reg(1).Dump(lines);
    Reg(14).Dump(lines);
    const auto padded = [](std::string text) { return text.append(25 - text.size(), ' '); };
    EXPECT_THAT(lines, ElementsAre(padded("Volt") + ": 0.0V", padded("Mode word") + ":",
                                   "\t[00] " + padded("Ready") + ": 1 (1h)", "Label:", "\tMotor"));
}

} // namespace

// What a user may type for a register, checked before anything is stored or sent.
constexpr std::string_view kTypedValues = "[0]\nName=Volts\nType=signed short\nFormatNorm=10\n"
                                          "MinValue=-10\nMaxValue=24.5\nFormatString=#0.0'V'\n"
                                          "[1]\nName=Mode\nType=unsigned byte\n"
                                          "[2]\nName=Text\nType=string\nLength=4\n"
                                          "[6]\nName=Day\nType=date\nFormatString=dd/mm/yy\n"
                                          "[9]\nName=Hours\nType=unsigned long\n"
                                          "[11]\nName=Temp\nType=signed short\n"
                                          "FormatString=#0'\xB0"
                                          "C'\n";

class TkxRegisterTypedText : public TkxRegBufferFixture {
protected:
    void SetUp() override { Load(kTypedValues); }
};

TEST_F(TkxRegisterTypedText, NumbersInsideTheLimitsAndTheTypeAreTaken) {
    EXPECT_EQ(Reg(0).RefusalOfText("24.5"), "");
    EXPECT_EQ(Reg(0).RefusalOfText("-10"), "");
    EXPECT_EQ(Reg(1).RefusalOfText("255"), "");
    EXPECT_EQ(Reg(9).RefusalOfText("4294967295"), "");
    EXPECT_EQ(Reg(2).RefusalOfText("abcd"), "");
    EXPECT_EQ(Reg(6).RefusalOfText("12/05/03"), "");
}

TEST_F(TkxRegisterTypedText, ValuesJustOutsideAreRefusedWithWhatIsTaken) {
    EXPECT_EQ(Reg(0).RefusalOfText("24.6"), "at most 24.5");
    EXPECT_EQ(Reg(0).RefusalOfText("-10.1"), "at least -10");
    EXPECT_EQ(Reg(1).RefusalOfText("256"), "a value the register's type can hold, from 0 to 255");
    EXPECT_EQ(Reg(1).RefusalOfText("-1"), "a value the register's type can hold, from 0 to 255");
    EXPECT_EQ(Reg(9).RefusalOfText("4294967296"),
              "a value the register's type can hold, from 0 to 4294967295");
    EXPECT_EQ(Reg(2).RefusalOfText("abcde"), "a text of at most 4 characters");
}

TEST_F(TkxRegisterTypedText, TextThatIsNoValueIsRefusedAndNothingIsStored) {
    Reg(0).SetValueDouble(0, 12.5);
    EXPECT_EQ(Reg(0).RefusalOfText("fast"), "a number in V");
    EXPECT_EQ(Reg(1).RefusalOfText("fast"), "a number");
    EXPECT_EQ(Reg(0).RefusalOfText(""), "a number in V");
    EXPECT_EQ(Reg(6).RefusalOfText("soon"), "a date or time");
    EXPECT_EQ(Reg(0).RefusalOfText("99"), "at most 24.5");
    EXPECT_DOUBLE_EQ(Reg(0).GetValueDouble(0), 12.5);
}

TEST_F(TkxRegisterTypedText, OnlyTheWholeTextAsTheDisplayWritesItIsANumber) {
    for (const char* text : {"1e3", "12,5", "1500abc", "1.2.3", "+-1", ".", "0x", "1'", "'1"}) {
        EXPECT_EQ(Reg(1).RefusalOfText(text), "a number") << text;
    }
    EXPECT_EQ(Reg(11).RefusalOfText("30.5V"), "a number in \xB0"
                                              "C");
    EXPECT_EQ(Reg(0).RefusalOfText("12.5V"), "");
    EXPECT_EQ(Reg(0).RefusalOfText(" 12.5 v "), "");
    EXPECT_EQ(Reg(11).RefusalOfText("-40\xB0"
                                    "C"),
              "");
    EXPECT_EQ(Reg(9).RefusalOfText("1'500"), "");
    EXPECT_EQ(Reg(1).RefusalOfText("0x1F"), "");
    EXPECT_EQ(Reg(1).RefusalOfText("+.5"), "a value it can hold exactly, such as 0 or 1");
}

TEST_F(TkxRegisterTypedText, ValuesBetweenTheStepsAreRefusedWithTheNearestOnes) {
    EXPECT_EQ(Reg(0).RefusalOfText("13.75"), "a value it can hold exactly, such as 13.7 or 13.8");
    EXPECT_EQ(Reg(0).RefusalOfText("-0.05"), "a value it can hold exactly, such as -0.1 or 0");
    EXPECT_EQ(Reg(0).RefusalOfText("2.3"), "");
    EXPECT_EQ(Reg(0).RefusalOfText("13.700000"), "");
}

TEST_F(TkxRegisterTypedText, StoredTextsKeepTheirExactValue) {
    Reg(0).SetValueText("2.3", 0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), 23);
    Reg(0).SetValueText("-0.7V", 0, 0);
    EXPECT_EQ(Reg(0).GetValueInteger(0), -7);
    Reg(9).SetValueText("4294967295", 0, 0);
    EXPECT_EQ(Bytes(9, 4), (ByteList{0xFF, 0xFF, 0xFF, 0xFF}));
    Reg(9).SetValueText("1500abc", 0, 0);
    EXPECT_EQ(Bytes(9, 4), (ByteList{0xFF, 0xFF, 0xFF, 0xFF}));
    Reg(1).SetValueText("0x1F", 0, 0);
    EXPECT_EQ(Reg(1).GetValueInteger(0), 31);
}
