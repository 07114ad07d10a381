#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxtextresourcecls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A definition file chained to the built-in set, as the definition lists use them.
class RegDefinitionTest : public ::testing::Test {
protected:
    RegDefinitionTest()
        : FBuiltIn(28673) {
        FBuiltIn.AppendResourceID(28672);
        FBuiltIn.AppendResourceID(28674);
        FFile.Chain(&FBuiltIn);
    }

    TkxRegDefinition Define(std::uint16_t address, const std::string& text) {
        FFile.SetText(text);
        return TkxRegDefinition(address, &FFile);
    }

    TkxTextResource FBuiltIn;
    TkxTextResource FFile;
};

TEST_F(RegDefinitionTest, SectionWithOnlyANameGetsTheDefaults) {
    const auto d = Define(100, "[100]\nName=Speed\n");
    EXPECT_EQ(d.Address(), 100);
    EXPECT_EQ(d.Name(), "Speed");
    EXPECT_EQ(d.TypeToString(), "unsigned short");
    EXPECT_EQ(d.Length(), 1);
    EXPECT_FALSE(d.MaxDefined() || d.MinDefined() || d.DfltDefined());
    EXPECT_DOUBLE_EQ(d.FormatNorm(), 1.0);
    EXPECT_DOUBLE_EQ(d.FormatOffset(), 0.0);
    EXPECT_EQ(d.FormatString(), "");
    EXPECT_EQ(d.FormatPrintf(), "%d");
    EXPECT_EQ(d.EEPromCopy(), 100);
    EXPECT_TRUE(d.Descriptions().empty());
}

TEST_F(RegDefinitionTest, MissingSectionOrResourceKeepsNameAndAddress) {
    const auto missing = Define(7, "[8]\nName=Other\n");
    EXPECT_EQ(missing.Name(), "Reg7");
    EXPECT_EQ(missing.EEPromCopy(), 7);
    const TkxRegDefinition bare(65535, nullptr);
    EXPECT_EQ(bare.Name(), "Reg65535");
    EXPECT_EQ(bare.EEPromCopy(), 65535);
    EXPECT_EQ(bare.TypeToString(), "none");
    EXPECT_EQ(bare.ElementBytes(), 2);
    EXPECT_TRUE(bare.IsNumeric());
}

TEST(RegDefinitionType, ParseTypeLooksForWordsAnywhere) {
    const std::pair<const char*, std::uint16_t> cases[] = {
        {"unsigned byte", 0x01}, {"signed short", 0x12}, {"bool long", 0x24},
        {"Signed Long", 0x14},   {"none", 0x02},         {"", 0x02},
        {"whatever", 0x02},      {"unsigned", 0x02},     {"updated", 0x41},
        {"  DATE ", 0x41},       {"time", 0x81},         {"timestamp string", 0x81},
        {"string", 0xC1},        {"long string", 0xC1},  {"bool signed byte", 0x21},
    };
    TkxRegDefinition d;
    for (const auto& [text, code] : cases) {
        d.ParseType(text);
        EXPECT_EQ(d.Type(), code) << text;
    }
}

TEST(RegDefinitionType, TextAndCodeRoundTrip) {
    TkxRegDefinition d;
    for (const char* text :
         {"unsigned byte", "unsigned short", "unsigned long", "signed byte", "signed short",
          "signed long", "bool byte", "bool short", "bool long", "date", "time", "string"}) {
        d.ParseType(text);
        EXPECT_EQ(d.TypeToString(), text);
    }
    d.SetType(0xC4);
    EXPECT_EQ(d.Type(), 0xC1);
    EXPECT_FALSE(d.IsNumeric());
    d.SetType(0x13);
    EXPECT_EQ(d.TypeToString(), "none");
    d.SetType(0x32);
    EXPECT_EQ(d.TypeToString(), "none");
    EXPECT_TRUE(d.IsNumeric());
    d.SetType(0x24);
    EXPECT_TRUE(d.IsBool() && d.IsNumeric() && !d.IsSigned());
}

TEST_F(RegDefinitionTest, StorageSizes) {
    EXPECT_EQ(Define(1, "[1]\nType=string\nLength=16\n").TotalBytes(), 32);
    EXPECT_EQ(Define(1, "[1]\nType=date\n").ElementBytes(), 6);
    EXPECT_EQ(Define(1, "[1]\nType=time\nLength=255\n").TotalBytes(), 255 * 6);
    EXPECT_EQ(Define(1, "[1]\nType=signed long\nLength=2\n").TotalBytes(), 8);
    EXPECT_EQ(Define(1, "[1]\nType=unsigned byte\nLength=3\n").TotalBytes(), 6);
    // Only the low 8 bits of the length count.
    EXPECT_EQ(Define(1, "[1]\nLength=300\n").Length(), 44);
    // Zero elements would leave the register without storage: the length stays.
    EXPECT_EQ(Define(1, "[1]\nLength=256\n").Length(), 1);
    EXPECT_EQ(Define(1, "[1]\nLength=0\n").Length(), 1);
    EXPECT_EQ(Define(1, "[1]\nLength=abc\n").Length(), 1);
}

TEST_F(RegDefinitionTest, EEPromCopyComesOnlyFromTheOwnSection) {
    EXPECT_EQ(Define(10, "[10]\nEEPromCopy=+1\n").EEPromCopy(), 11);
    EXPECT_EQ(Define(10, "[10]\nEEPromCopy=-2\n").EEPromCopy(), 8);
    EXPECT_EQ(Define(10, "[10]\nEEPromCopy=2048\n").EEPromCopy(), 2048);
    EXPECT_EQ(Define(10, "[10]\nEEPromCopy=800h\n").EEPromCopy(), 2048);
    EXPECT_EQ(Define(10, "[10]\nEEPromCopy=junk\n").EEPromCopy(), 10);
    EXPECT_EQ(Define(10, "[10]\nUseDefinition=@E\n[@E]\nEEPromCopy=+5\n").EEPromCopy(), 10);
}

TEST_F(RegDefinitionTest, OwnKeysWinOverRedirectedOnes) {
    const auto d = Define(5, "[5]\n"
                             "UseDefinition=@Base\n"
                             "Name=Own\n"
                             "Descr[0]=own element\n"
                             "[@Base]\n"
                             "Name=Base\n"
                             "Type=signed long\n"
                             "Length=2\n"
                             "MaxValue=100\n"
                             "Descr=base general\n"
                             "Descr[0]=base element\n"
                             "UseFormat=@Volt_V10\n");
    EXPECT_EQ(d.UseDefinition(), "@Base");
    EXPECT_EQ(d.Name(), "Own");
    EXPECT_EQ(d.TypeToString(), "signed long");
    EXPECT_EQ(d.Length(), 2);
    EXPECT_TRUE(d.MaxDefined());
    EXPECT_DOUBLE_EQ(d.MaxValue(), 100.0);
    EXPECT_EQ(d.GetDescr(0), "own element");
    EXPECT_EQ(d.GetDescr(1), "base general");
    // The target's format came from the built-in set.
    EXPECT_EQ(d.UseFormat(), "@Volt_V10");
    EXPECT_DOUBLE_EQ(d.FormatNorm(), 10.0);
    EXPECT_EQ(d.FormatString(), "000.0'V'");
}

TEST_F(RegDefinitionTest, UseDescrAndUseFormatOverrideTheDefinitionTarget) {
    const auto d = Define(5, "[5]\n"
                             "UseDefinition=@Base\n"
                             "UseDescr=@Texts\n"
                             "UseFormat=@Fmt\n"
                             "FormatOffset=3\n"
                             "[@Base]\n"
                             "Descr=base\n"
                             "FormatNorm=2\n"
                             "FormatString=base\n"
                             "[@Texts]\n"
                             "Descr=texts\n"
                             "[@Fmt]\n"
                             "FormatNorm=4\n"
                             "FormatPrintf=%04X\n");
    EXPECT_EQ(d.UseDescr(), "@Texts");
    EXPECT_EQ(d.GetDescr(-1), "texts");
    EXPECT_DOUBLE_EQ(d.FormatNorm(), 4.0);
    EXPECT_DOUBLE_EQ(d.FormatOffset(), 3.0);
    EXPECT_EQ(d.FormatString(), "base");
    EXPECT_EQ(d.FormatPrintf(), "%04X");
}

TEST_F(RegDefinitionTest, FileSectionIsFoundBeforeTheBuiltInOne) {
    const auto d = Define(1, "[1]\nUseDefinition=@ModBusAddress\n"
                             "[@ModBusAddress]\nName=FileAddress\n");
    EXPECT_EQ(d.Name(), "FileAddress");
    EXPECT_EQ(d.TypeToString(), "unsigned short");
    EXPECT_FALSE(d.DfltDefined());
}

TEST_F(RegDefinitionTest, BuiltInDefinitionsAreReachedThroughTheChain) {
    const auto d = Define(1, "[1]\nUseDefinition=@ModBusAddress\n");
    EXPECT_EQ(d.Name(), "ModBusAddress");
    EXPECT_EQ(d.TypeToString(), "unsigned byte");
    EXPECT_TRUE(d.MinDefined() && d.DfltDefined() && !d.MaxDefined());
    EXPECT_DOUBLE_EQ(d.DfltValue(), 1.0);
    EXPECT_EQ(d.GetDescr(0), "ModBus Address");

    const auto can = Define(2, "[2]\nUseDefinition=@CanBusAddress\n");
    EXPECT_DOUBLE_EQ(can.DfltValue(), 1792.0);
    EXPECT_EQ(can.GetDescr(0, 0x700), "BaseAddrMask");

    const auto mantissa = Define(3, "[3]\nUseDefinition=@Frac16Mantissa\n");
    EXPECT_EQ(mantissa.TypeToString(), "signed short");
    EXPECT_EQ(mantissa.UseFormat(), "@Frac16");
    EXPECT_DOUBLE_EQ(mantissa.FormatNorm(), 32768.0);
    EXPECT_EQ(mantissa.FormatString(), "#0.0###");
    EXPECT_DOUBLE_EQ(mantissa.MaxValue(), 1.0);
}

TEST_F(RegDefinitionTest, BuiltInTargetsRedirectOnlyWithinTheBuiltInSet) {
    // The built-in set's own chain ends there, so a file section it names is not seen.
    FBuiltIn.SetText("[@Outer]\nUseFormat=@OnlyInFile\n");
    const auto d = Define(1, "[1]\nUseDefinition=@Outer\n[@OnlyInFile]\nFormatNorm=9\n");
    EXPECT_EQ(d.UseDefinition(), "@Outer");
    EXPECT_EQ(d.UseFormat(), "");
    EXPECT_DOUBLE_EQ(d.FormatNorm(), 1.0);
}

TEST_F(RegDefinitionTest, MissingRedirectionTargetsAreNotRemembered) {
    const auto d = Define(1, "[1]\nUseDefinition=@Nowhere\nUseDescr=@None\nUseFormat= \n"
                             "Name=Kept\n");
    EXPECT_EQ(d.UseDefinition(), "");
    EXPECT_EQ(d.UseDescr(), "");
    EXPECT_EQ(d.UseFormat(), "");
    EXPECT_EQ(d.Name(), "Kept");
}

TEST_F(RegDefinitionTest, LimitsOnlyForNumericTypesAndOnlyFromNumbers) {
    const auto text = Define(1, "[1]\nType=string\nMaxValue=5\nMinValue=1\nDfltValue=2\n");
    EXPECT_FALSE(text.MaxDefined() || text.MinDefined() || text.DfltDefined());
    EXPECT_EQ(text.FormatPrintf(), "%s");

    const auto junk = Define(1, "[1]\nMaxValue=abc\nMinValue=\nDfltValue=-2.5\n");
    EXPECT_FALSE(junk.MaxDefined());
    EXPECT_FALSE(junk.MinDefined());
    EXPECT_TRUE(junk.DfltDefined());
    EXPECT_DOUBLE_EQ(junk.DfltValue(), -2.5);

    // A flag set by a redirected section stays set.
    const auto kept = Define(1, "[1]\nUseDefinition=@L\n[@L]\nMaxValue=9\n");
    EXPECT_TRUE(kept.MaxDefined());
    EXPECT_DOUBLE_EQ(kept.MaxValue(), 9.0);
}

TEST_F(RegDefinitionTest, FormatPrintfIsResetWithoutAFormatRedirection) {
    // The definition target's printf format gives way to the default of the final type.
    const auto d = Define(1, "[1]\nUseDefinition=@P\nType=string\n[@P]\nFormatPrintf=%x\n");
    EXPECT_EQ(d.FormatPrintf(), "%s");
    const auto f = Define(1, "[1]\nUseFormat=@P\n[@P]\nFormatPrintf=%x\n");
    EXPECT_EQ(f.FormatPrintf(), "%x");
}

TEST_F(RegDefinitionTest, ZeroOrJunkScaleIsIgnored) {
    EXPECT_DOUBLE_EQ(Define(1, "[1]\nFormatNorm=0\n").FormatNorm(), 1.0);
    EXPECT_DOUBLE_EQ(Define(1, "[1]\nFormatNorm=x\n").FormatNorm(), 1.0);
    EXPECT_DOUBLE_EQ(Define(1, "[1]\nUseFormat=@Len_mm100\nFormatNorm=0.0\n").FormatNorm(), 100.0);
}

TEST_F(RegDefinitionTest, DescriptionsReplaceRemoveAndKeepTheirCase) {
    const auto d = Define(1, "[1]\n"
                             "UseDescr=@D\n"
                             "DESCR[0]=upper\n"
                             "Descr[0M1]=replaced\n"
                             "Descr[0m2]=\n"
                             "descr=lower is no description\n"
                             "[@D]\n"
                             "Descr=general\n"
                             "Descr[0m1]=first\n"
                             "Descr[0m2]=removed\n");
    EXPECT_EQ(d.Descriptions().size(), 2u);
    EXPECT_EQ(d.GetDescr(0, 1), "replaced");
    EXPECT_EQ(d.GetDescr(0, 2), "general");
    EXPECT_EQ(d.GetDescr(0), "general");
    EXPECT_EQ(d.DescriptionOf("descr[0m1]"), "replaced");
}

TEST_F(RegDefinitionTest, RedirectionCyclesEndAsNotFound) {
    const auto self = Define(1, "[1]\nUseDefinition=1\nName=Self\n");
    EXPECT_EQ(self.Name(), "Self");
    EXPECT_EQ(self.UseDefinition(), "");

    const auto loop = Define(1, "[1]\nUseDefinition=@A\n"
                                "[@A]\nUseDefinition=@B\nUseDescr=@B\nName=A\n"
                                "[@B]\nUseDefinition=@A\nUseDescr=@A\nUseFormat=@B\n"
                                "Descr=b\nFormatNorm=5\n");
    EXPECT_EQ(loop.Name(), "A");
    EXPECT_EQ(loop.GetDescr(-1), "b");
    EXPECT_DOUBLE_EQ(loop.FormatNorm(), 5.0);

    // A section of the file that names itself reaches the built-in one of the same name.
    const auto shadow = Define(1, "[1]\nUseDefinition=@ModBusBaudrate\n"
                                  "[@ModBusBaudrate]\nUseDefinition=@ModBusBaudrate\n");
    EXPECT_EQ(shadow.Name(), "ModBusBaudrate");
    EXPECT_EQ(shadow.GetValueDescr(2, 0, 0, false), "19200bps");
}

TEST_F(RegDefinitionTest, VeryLongRedirectionChainsStop) {
    std::string text = "[1]\nUseDefinition=@S0\nUseDescr=@S0\nUseFormat=@S0\n";
    for (int i = 0; i < 20000; ++i) {
        const std::string next = "@S" + std::to_string(i + 1);
        text += "[@S" + std::to_string(i) + "]\nUseDefinition=" + next + "\nUseDescr=" + next +
                "\nUseFormat=" + next + "\n";
    }
    text += "[@S20000]\nName=Deepest\n";
    const auto d = Define(1, text);
    EXPECT_EQ(d.Name(), "Reg1");
    EXPECT_EQ(d.UseDefinition(), "@S0");
}

TEST_F(RegDefinitionTest, GetDescrFallsBackToGeneralThenName) {
    const auto d = Define(1, "[1]\nName=Can\nLength=2\nDescr[0m700]=BaseAddrMask\n");
    EXPECT_EQ(d.GetDescr(0, 0x700), "BaseAddrMask");
    EXPECT_EQ(d.GetDescr(0, 0x100), "Can");
    EXPECT_EQ(d.GetDescr(1), "Can");
    const auto g = Define(1, "[1]\nName=Can\nDescr=General\nDescr[0]=(null)\n");
    EXPECT_EQ(g.GetDescr(0, 0x100), "General");
    EXPECT_EQ(g.GetDescr(0), "General");
    EXPECT_EQ(g.GetDescr(-5), "General");
}

TEST_F(RegDefinitionTest, DescriptionIndexOutOfRangeThrows) {
    const auto d = Define(1, "[1]\nLength=2\n");
    EXPECT_NO_THROW(d.GetDescr(1));
    try {
        d.GetDescr(2);
        FAIL() << "no exception";
    } catch (const ETkxError& e) {
        EXPECT_STREQ(e.what(), "SetValueDescr: Index out of range!");
    }
    EXPECT_THROW(d.GetValueDescr(0, 2, 0, true), ETkxError);
    EXPECT_THROW(d.GetValueDescr(0, -1, 0, true), ETkxError);
}

TEST_F(RegDefinitionTest, ValueDescriptionsOfTheBuiltInBaudRate) {
    const auto d = Define(1, "[1]\nUseDefinition=@ModBusBaudrate\n");
    EXPECT_EQ(d.GetValueDescr(3, 0, 0, true), "38400bps");
    EXPECT_EQ(d.GetValueDescr(9, 0, 0, true), "9 (9h)");
    EXPECT_EQ(d.GetValueDescr(9, 0, 0, false), "");
    const auto any = Define(1, "[1]\nUseDefinition=@ModBusBaudrate\nDescr[0m0v*]=other\n"
                               "Descr[0m0v1]=(null)\n");
    EXPECT_EQ(any.GetValueDescr(9, 0, 0, true), "other");
    EXPECT_EQ(any.GetValueDescr(1, 0, 0, true), "other");
    EXPECT_EQ(any.GetValueDescr(0, 0, 0, true), "4800bps");
}

TEST_F(RegDefinitionTest, ValueDescriptionKeysUseMaskAndSignedness) {
    const auto u = Define(1, "[1]\nDescr[0m700v512]=two\n");
    EXPECT_EQ(u.GetValueDescr(512, 0, 0x700, true), "two");
    EXPECT_EQ(u.GetValueDescr(1792, 0, 0x700, true), "1792 (700h)");
    EXPECT_EQ(u.GetValueDescr(-5, 0, 0, true), "4294967291 (FFFFFFFBh)");
    const auto s = Define(1, "[1]\nType=signed short\nDescr[0m0v-5]=minus five\n");
    EXPECT_EQ(s.GetValueDescr(-5, 0, 0, true), "minus five");
    EXPECT_EQ(s.GetValueDescr(-6, 0, 0, true), "-6 (FFFFFFFAh)");
}

TEST_F(RegDefinitionTest, DescribedValuesAreThoseALookupWouldFind) {
    const auto u = Define(1, "[1]\nDescr[0m30v3]=three\nDescr[0M30V1]=one\nDescr[0m30v*]=any\n"
                             "Descr[0m30v2]=(null)\nDescr[0m30v01]=padded\nDescr[0m30v-1]=minus\n"
                             "Descr[0m3v0]=other mask\nDescr[0m30v4294967295]=all\n"
                             "Descr[0m30vx]=junk\nDescr[0m30v]=none\n");
    EXPECT_EQ(u.DescribedValues(0, 0x30), (std::vector<std::int64_t>{1, 3, 4294967295}));
    EXPECT_TRUE(u.DescribedValues(1, 0x30).empty());
    const auto s = Define(1, "[1]\nType=signed short\nDescr[0m0v-5]=minus five\n"
                             "Descr[0m0v4294967295]=too big\nDescr[0m0v2]=two\n");
    EXPECT_EQ(s.DescribedValues(0, 0), (std::vector<std::int64_t>{-5, 2}));
}

TEST_F(RegDefinitionTest, AssignMakesAnEEPromCopy) {
    const auto source = Define(10, "[10]\nName=Gain\nType=signed short\nMaxValue=5\n"
                                   "EEPromCopy=2048\nUseFormat=@Perc10\nDescr[0]=gain\n");
    TkxRegDefinition copy;
    ASSERT_TRUE(copy.Assign(&source, 2048, "EE" + source.Name()));
    EXPECT_EQ(copy.Address(), 2048);
    EXPECT_EQ(copy.Name(), "EEGain");
    EXPECT_EQ(copy.EEPromCopy(), 2048);
    EXPECT_EQ(copy.Type(), source.Type());
    EXPECT_TRUE(copy.MaxDefined());
    EXPECT_DOUBLE_EQ(copy.FormatNorm(), 10.0);
    EXPECT_EQ(copy.UseFormat(), "@Perc10");
    EXPECT_EQ(copy.Descriptions(), source.Descriptions());

    TkxRegDefinition same;
    ASSERT_TRUE(same.Assign(&source));
    EXPECT_EQ(same.Address(), 10);
    EXPECT_EQ(same.Name(), "Gain");
    EXPECT_FALSE(same.Assign(nullptr, 1, "x"));
    EXPECT_EQ(same.Name(), "Gain");
}

TEST(RegDefinitionSection, AddressesOfSectionNames) {
    const std::pair<const char*, int> cases[] = {
        {"1000", 1000},   {"010", 10},     {"10 extra", 10},    {"+5", 5},
        {"-1", 65535},    {"70000", 4464}, {"@Time_S", -1},     {"", -1},
        {"Versions", -1}, {"-", -1},       {"99999999999", -1}, {" 5", -1},
    };
    for (const auto& [name, expected] : cases) {
        std::uint16_t address = 0;
        const bool ok = TkxRegDefinition::SectionAddress(name, address);
        EXPECT_EQ(ok ? address : -1, expected) << name;
    }
}

TEST_F(RegDefinitionTest, NonCanonicalSectionNamesGiveDefaultKeysOnly) {
    const std::string text = "[010]\nName=Padded\n[10 extra]\nName=Extra\n";
    FFile.SetText(text);
    std::vector<std::string> sections;
    FFile.ReadSections(sections);
    for (const auto& section : sections) {
        std::uint16_t address = 0;
        ASSERT_TRUE(TkxRegDefinition::SectionAddress(section, address));
        EXPECT_EQ(TkxRegDefinition(address, &FFile).Name(), "Reg10");
    }
}

} // namespace
