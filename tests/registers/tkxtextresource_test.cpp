#include "base/tkxerror.h"
#include "registers/tkxtextresourcecls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::uint32_t IntOf(std::string_view text) {
    std::uint32_t value = 12345;
    EXPECT_TRUE(TextToInt(text, value)) << text;
    return value;
}

bool IntFails(std::string_view text) {
    std::uint32_t value = 12345;
    const bool ok = TextToInt(text, value);
    EXPECT_EQ(value, 12345u) << "a refused text must not touch the value: " << text;
    return !ok;
}

TEST(TextToInt, ReadsEveryNotation) {
    EXPECT_EQ(IntOf("12"), 12u);
    EXPECT_EQ(IntOf("-12"), static_cast<std::uint32_t>(-12));
    EXPECT_EQ(IntOf("+7"), 7u);
    EXPECT_EQ(IntOf("700h"), 1792u);
    EXPECT_EQ(IntOf("0x700"), 1792u);
    EXPECT_EQ(IntOf("12h"), 18u);
    EXPECT_EQ(IntOf("FFh"), 255u);
    EXPECT_EQ(IntOf(" 0x1F "), 31u);
    EXPECT_EQ(IntOf("0X1f"), 31u);
    EXPECT_EQ(IntOf("101b"), 5u);
    EXPECT_EQ(IntOf("0b101"), 5u);
    EXPECT_EQ(IntOf("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(IntOf("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(IntOf("-2147483648"), 0x80000000u);
}

TEST(TextToInt, DecimalPrefixDecidesOddForms) {
    // A leading zero keeps "h" text decimal, which stops at the first letter.
    EXPECT_EQ(IntOf("0FFh"), 0u);
    EXPECT_EQ(IntOf("0Ah"), 0u);
    // Not binary, so the decimal prefix is read.
    EXPECT_EQ(IntOf("0b2"), 0u);
    EXPECT_EQ(IntOf("12abc"), 12u);
    EXPECT_EQ(IntOf("12."), 12u);
    EXPECT_EQ(IntOf("1e3"), 1u);
    EXPECT_EQ(IntOf("0"), 0u);
    EXPECT_EQ(IntOf("0x"), 0u);
    EXPECT_EQ(IntOf("0xg"), 0u);
}

TEST(TextToInt, RefusesNonIntegers) {
    EXPECT_TRUE(IntFails(""));
    EXPECT_TRUE(IntFails("   "));
    EXPECT_TRUE(IntFails("abc"));
    EXPECT_TRUE(IntFails("12.5"));
    EXPECT_TRUE(IntFails("-.5"));
    EXPECT_TRUE(IntFails("h"));
    EXPECT_TRUE(IntFails("-"));
    EXPECT_TRUE(IntFails("xyzh"));
}

TEST(TextToInt, RefusesNumbersBeyond32Bits) {
    EXPECT_TRUE(IntFails("4294967296"));
    EXPECT_TRUE(IntFails("-2147483649"));
    EXPECT_TRUE(IntFails("0x100000000"));
    EXPECT_TRUE(IntFails("123456789abh"));
    EXPECT_TRUE(IntFails("0b" + std::string(33, '1')));
    EXPECT_TRUE(IntFails(std::string(5000, '9')));
    // Leading zeros do not count toward the width.
    EXPECT_EQ(IntOf("0x00000000000000FF"), 255u);
}

TEST(TextToFloat, IntegersFirstThenDecimalFloats) {
    double value = 0.0;
    ASSERT_TRUE(TextToFloat("0.5556", value));
    EXPECT_DOUBLE_EQ(value, 0.5556);
    ASSERT_TRUE(TextToFloat("1.0e3", value));
    EXPECT_DOUBLE_EQ(value, 1000.0);
    ASSERT_TRUE(TextToFloat("-5", value));
    EXPECT_DOUBLE_EQ(value, -5.0);
    ASSERT_TRUE(TextToFloat("ffh", value));
    EXPECT_DOUBLE_EQ(value, 255.0);
    ASSERT_TRUE(TextToFloat("1e3", value));
    EXPECT_DOUBLE_EQ(value, 1.0);
    ASSERT_TRUE(TextToFloat(" +2.5 ", value));
    EXPECT_DOUBLE_EQ(value, 2.5);
    ASSERT_TRUE(TextToFloat("-.25", value));
    EXPECT_DOUBLE_EQ(value, -0.25);
    // An integer is taken as signed 32-bit.
    ASSERT_TRUE(TextToFloat("0xFFFFFFFF", value));
    EXPECT_DOUBLE_EQ(value, -1.0);
}

TEST(TextToFloat, RefusesJunkAndNonFiniteValues) {
    for (const char* text : {"", "abc", "+-1", "inf", "nan", "1.0e999", "."}) {
        double value = 7.0;
        EXPECT_FALSE(TextToFloat(text, value)) << text;
        EXPECT_EQ(value, 7.0);
    }
}

TEST(AnsiText, FoldsWindows1252Capitals) {
    EXPECT_EQ(AnsiLowerCase("AbC\xC4\xD6\xDC\x8A\x9F\xD7"), "abc\xE4\xF6\xFC\x9A\xFF\xD7");
    EXPECT_TRUE(AnsiSameText("[\xC9T\xC9]", "[\xE9t\xE9]"));
    EXPECT_FALSE(AnsiSameText("ab", "abc"));
}

TEST(TextResourceLines, SplitAtCrLfLfAndCr) {
    TkxTextResource r;
    r.SetText("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    r.SetText("x\n");
    EXPECT_EQ(r.Count(), 1);
    r.SetText("");
    EXPECT_EQ(r.Count(), 0);
    EXPECT_TRUE(r.IsBlank());
}

TEST(TextResourceLines, NulBytesAndLongLinesStayWhole) {
    TkxTextResource r;
    const std::string big(2 * 1024 * 1024, 'x');
    r.SetText(std::string("[S]\nK=a\0b\n", 10) + "L=" + big + "\n");
    EXPECT_EQ(r.ReadString("S", "K", ""), std::string("a\0b", 3));
    EXPECT_EQ(r.ReadString("S", "L", "").size(), big.size());
}

TEST(TextResourceLines, IsBlankOnlyForEmptyLines) {
    TkxTextResource r;
    r.SetText("\n\n");
    EXPECT_TRUE(r.IsBlank());
    r.SetText("\n \n");
    EXPECT_FALSE(r.IsBlank());
}

TEST(TextResourceSections, HeaderMustBeStoredExactly) {
    TkxTextResource r;
    r.SetText("[ SECTION ]\nA=1\n[section]\nA=2\n[10] \nA=3\n[]\nA=4\n[ ]\n");
    std::vector<std::string> names;
    r.ReadSections(names);
    EXPECT_EQ(names, (std::vector<std::string>{"SECTION", "section", "10"}));
    // "[ SECTION ]" is listed but cannot be found; the stored "[section]" is.
    EXPECT_EQ(r.ReadString("SECTION", "A", "-"), "2");
    EXPECT_TRUE(r.FindSection("SECTION"));
    EXPECT_EQ(r.Cursor(), 2);
    EXPECT_FALSE(r.FindSection("10"));
    EXPECT_EQ(r.Cursor(), -1);
    EXPECT_FALSE(r.FindSection(""));
    EXPECT_FALSE(r.FindSection(" "));
}

TEST(TextResourceSections, TrailingBlankHeaderEndsThePreviousSection) {
    TkxTextResource r;
    r.SetText("[A]\nX=1\n[B] \nY=2\n");
    EXPECT_EQ(r.ReadString("A", "Y", "none"), "none");
    // "[]" is no header, so it does not end a section.
    r.SetText("[A]\n[]\nY=2\n");
    EXPECT_EQ(r.ReadString("A", "Y", "none"), "2");
}

TEST(TextResourceSections, FirstOfDuplicateSectionsWins) {
    TkxTextResource r;
    r.SetText("[A]\nX=1\n[a]\nX=2\nY=3\n");
    EXPECT_EQ(r.ReadString("A", "X", ""), "1");
    EXPECT_EQ(r.ReadString("A", "Y", "none"), "none");
    std::vector<std::string> values;
    r.ReadSectionValues("a", values);
    EXPECT_EQ(values, (std::vector<std::string>{"X=1"}));
}

TEST(TextResourceEntries, KeysAndValuesAreTrimmedAndUnquotedOnce) {
    TkxTextResource r;
    r.SetText("[S]\n"
              "Name = My reg \n"
              "Q=\"  x  \"\n"
              "E=\"\"\n"
              "One=\"\n"
              "In=\"a\"b\"\n"
              "Two=\"\"x\"\"\n"
              "  ;c=1\n"
              ";d=2\n"
              "=novalue\n"
              " =blank key\n"
              "no equals\n"
              "Eq=a=b\n");
    EXPECT_EQ(r.ReadString("S", "Name", "-"), "My reg");
    EXPECT_EQ(r.ReadString("S", "Q", "-"), "x");
    EXPECT_EQ(r.ReadString("S", "E", "-"), "");
    EXPECT_EQ(r.ReadString("S", "One", "-"), "\"");
    EXPECT_EQ(r.ReadString("S", "In", "-"), "a\"b");
    EXPECT_EQ(r.ReadString("S", "Two", "-"), "\"x\"");
    EXPECT_EQ(r.ReadString("S", ";c", "-"), "1");
    EXPECT_EQ(r.ReadString("S", ";d", "-"), "-");
    EXPECT_EQ(r.ReadString("S", "", "-"), "-");
    EXPECT_EQ(r.ReadString("S", "Eq", "-"), "a=b");
    std::vector<std::string> values;
    r.ReadSectionValues("S", values);
    EXPECT_EQ(values.size(), 8u);
    EXPECT_EQ(values.front(), "Name=My reg");
}

TEST(TextResourceEntries, FirstKeyWinsAndKeysAreCaseSensitive) {
    TkxTextResource r;
    r.SetText("[S]\nLength=2\nLength=5\nlength=9\n");
    EXPECT_EQ(r.ReadInteger("S", "Length", 0), 2);
    EXPECT_FALSE(r.FindKey("S", "LENGTH"));
    EXPECT_TRUE(r.FindKey("S", "length"));
    EXPECT_EQ(r.Cursor(), 3);
}

TEST(TextResourceReaders, NumbersFallBackToTheDefault) {
    TkxTextResource r;
    r.SetText("[S]\nI=0x10\nBad=abc\nF=2.5\nH=ffh\nEmpty=\n");
    EXPECT_EQ(r.ReadInteger("S", "I", -1), 16);
    EXPECT_EQ(r.ReadInteger("S", "Bad", -1), -1);
    EXPECT_EQ(r.ReadInteger("S", "F", -1), -1);
    EXPECT_EQ(r.ReadInteger("S", "Missing", -1), -1);
    EXPECT_EQ(r.ReadInteger("Nowhere", "I", -1), -1);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "F", 0.0), 2.5);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "H", 0.0), 255.0);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "Bad", 1.5), 1.5);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "Empty", 1.5), 1.5);
}

TEST(TextResourceReaders, RelativeIntegers) {
    TkxTextResource r;
    r.SetText("[S]\nP=+3\nM=-3\nA=7\nX=abc\nE=\nH=800h\nD=--3\n");
    EXPECT_EQ(r.ReadRelInteger("S", "P", 100), 103);
    EXPECT_EQ(r.ReadRelInteger("S", "M", 100), 97);
    EXPECT_EQ(r.ReadRelInteger("S", "A", 100), 7);
    EXPECT_EQ(r.ReadRelInteger("S", "X", 100), 100);
    EXPECT_EQ(r.ReadRelInteger("S", "E", 100), 100);
    EXPECT_EQ(r.ReadRelInteger("S", "H", 100), 2048);
    EXPECT_EQ(r.ReadRelInteger("S", "D", 100), 100);
    // A missing key is the base itself, also for a negative base.
    EXPECT_EQ(r.ReadRelInteger("S", "Missing", -10), -10);
}

TEST(TextResourceWrite, PlacesEntriesWhereTheyBelong) {
    TkxTextResource r;
    r.WriteString("S", "K", "V");
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"[S]", "K=\"V\""}));
    r.WriteString("S", "J", "W");
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"[S]", "J=\"W\"", "K=\"V\""}));
    EXPECT_EQ(r.Cursor(), 1);
    r.WriteString("s", "K", "a\"b");
    EXPECT_EQ(r.Strings(2), "K=\"a\"b\"");
    r.WriteString("T", "K", "");
    EXPECT_EQ(r.Count(), 5);
    EXPECT_EQ(r.ReadString("T", "K", "-"), "");
    EXPECT_EQ(r.ReadString("S", "K", "-"), "a\"b");
}

TEST(TextResourceWrite, LineBreaksAreRefusedAndNothingChanges) {
    TkxTextResource r;
    r.SetText("[S]\nK=1\n");
    EXPECT_THROW(r.WriteString("S", "K", "a\r\n[T]"), ETkxError);
    EXPECT_THROW(r.WriteString("S", "K\n", "v"), ETkxError);
    EXPECT_THROW(r.WriteString("S\r", "K", "v"), ETkxError);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"[S]", "K=1"}));
}

TEST(TextResourceWrite, SectionFoundAfterEarlierEdits) {
    TkxTextResource r;
    r.SetText("[A]\nX=1\n[B]\nY=2\n");
    r.WriteString("A", "Z", "3");
    r.WriteString("B", "W", "4");
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"[A]", "Z=\"3\"", "X=1", "[B]", "W=\"4\"", "Y=2"}));
}

class TextResourceFiles : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = std::filesystem::temp_directory_path() /
               ("tkxtextresource_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
    std::filesystem::path FDir;
};

TEST_F(TextResourceFiles, SaveAndLoadRoundTripWithCrLf) {
    TkxTextResource r;
    r.WriteString("Header", "Device", "QX440v123");
    r.SaveToFile(PathOf("out.ini"));
    std::ifstream in(PathOf("out.ini"), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), "[Header]\r\nDevice=\"QX440v123\"\r\n");

    TkxTextResource back(PathOf("out.ini"));
    EXPECT_EQ(back.FileName(), PathOf("out.ini"));
    EXPECT_EQ(back.ReadString("Header", "Device", ""), "QX440v123");
}

TEST_F(TextResourceFiles, FailedLoadsKeepWhatIsHeld) {
    TkxTextResource r;
    r.SetText("[S]\nK=1\n");
    EXPECT_THROW(r.LoadFromFile(PathOf("missing.par")), ETkxError);
    EXPECT_THROW(r.LoadFromFile(FDir.string()), ETkxError);
    EXPECT_THROW(r.AppendFile(PathOf("missing.par")), ETkxError);
    EXPECT_EQ(r.Count(), 2);
    EXPECT_EQ(r.FileName(), "");
    try {
        r.LoadFromFile(PathOf("missing.par"));
    } catch (const ETkxError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.par"), std::string::npos);
    }
}

TEST_F(TextResourceFiles, OpenAndAppend) {
    {
        std::ofstream(PathOf("a.par"), std::ios::binary) << "[A]\r\nX=1\r\n";
        std::ofstream(PathOf("b.par"), std::ios::binary) << "[B]\rY=2";
    }
    TkxTextResource r;
    r.Open(PathOf("a.par"));
    r.AppendFile(PathOf("b.par"));
    r.AppendFile("");
    EXPECT_EQ(r.Count(), 4);
    EXPECT_EQ(r.ReadInteger("B", "Y", 0), 2);
    EXPECT_THROW(r.Open(PathOf("missing.par")), ETkxError);
    EXPECT_EQ(r.Count(), 4);
    EXPECT_EQ(r.FileName(), PathOf("a.par"));
    r.Open("");
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(r.FileName(), "");
    EXPECT_THROW(r.Strings(0), ETkxError);
}

TEST(TextResourceStreams, LoadRecordsTheStream) {
    std::istringstream in("[S]\nK=v\n");
    TkxTextResource r;
    r.LoadFromStream(in);
    EXPECT_EQ(r.Stream(), &in);
    EXPECT_EQ(r.ReadString("S", "K", ""), "v");
    r.Reset();
    EXPECT_EQ(r.Stream(), nullptr);
    EXPECT_EQ(r.Count(), 0);
}

TEST_F(TextResourceFiles, AFileSavedAsUtf8WithAMarkReadsAsItsText) {
    std::ofstream(PathOf("utf8.par"), std::ios::binary)
        << "\xEF\xBB\xBF[Versions]\r\nVerDescr=Temperatur \xC2\xB0"
           "C\r\n";
    TkxTextResource r(PathOf("utf8.par"));
    EXPECT_EQ(r.ReadString("Versions", "VerDescr", ""), "Temperatur \xB0"
                                                        "C");
    // Only a mark at the very start counts; elsewhere the bytes stay as they are.
    std::istringstream later("[S]\nK=\xEF\xBB\xBF\n");
    r.LoadFromStream(later);
    EXPECT_EQ(r.ReadString("S", "K", ""), "\xEF\xBB\xBF");
}

TEST(TextResourceBuiltIn, ResourcesLoadAndAppendByNumber) {
    TkxTextResource set(28673);
    EXPECT_TRUE(set.AppendResourceID(28672));
    EXPECT_TRUE(set.AppendResourceID(28674));
    EXPECT_EQ(set.ReadString("@Temp_C", "FormatString", ""), "#0'\xB0"
                                                             "C'");
    EXPECT_DOUBLE_EQ(set.ReadFloat("@Temp_F", "FormatNorm", 0), 0.5556);
    EXPECT_EQ(set.ReadString("@Bool_YN", "FormatString", ""), "Yes;Yes;No");
    EXPECT_EQ(set.ReadInteger("@CanBusAddress", "DfltValue", 0), 0x700);
    EXPECT_EQ(set.ReadString("@Frac16Mantissa", "Type", ""), "signed short");

    TkxTextResource syntax(28675);
    EXPECT_TRUE(syntax.FindSection("Parameters"));
    std::vector<std::string> sections;
    syntax.ReadSections(sections);
    EXPECT_EQ(sections, std::vector<std::string>{"Parameters"});
}

TEST(TextResourceBuiltIn, MissingResourceLeavesItEmpty) {
    TkxTextResource r;
    r.SetText("[S]\n");
    EXPECT_FALSE(r.LoadFromResourceID(1));
    EXPECT_EQ(r.Count(), 0);
    r.SetText("[S]\n");
    EXPECT_FALSE(r.AppendResourceID(1));
    EXPECT_FALSE(r.AppendResource("no such resource"));
    EXPECT_EQ(r.Count(), 1);
}

TEST(TextResourceChain, InsertsBehindAndIgnoresNullAndSelf) {
    TkxTextResource a, b, c;
    a.Chain(&c);
    a.Chain(&b);
    EXPECT_EQ(a.Next(), &b);
    EXPECT_EQ(b.Next(), &c);
    a.Chain(nullptr);
    a.Chain(&a);
    EXPECT_EQ(a.Next(), &b);
}

} // namespace
