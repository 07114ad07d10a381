#include "registers/tkxregdefslistcmp.h"

#include "devices/tkxversionrecordcls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// A list holding the text, built.
struct BuiltList {
    explicit BuiltList(std::string_view text) {
        List.SetText(text);
        List.Build();
    }
    TkxRegDefsList List;
};

constexpr std::string_view kShortLongShort = "[0]\nName=A\n"
                                             "[1]\nName=B\nType=signed long\n"
                                             "[3]\nName=C\n";

TEST(TkxRegDefsListBuild, RegisterSectionsOnlyInAddressOrder) {
    BuiltList built("[Versions]\nVersions=QX440v*\n"
                    "[30]\nName=Late\n"
                    "[@Helper]\nName=NotARegister\n"
                    "[10]\nName=Early\n"
                    "[Categories]\nActState=10/30\n");
    const auto& list = built.List;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->Name(), "Early");
    EXPECT_EQ(list.Items(1)->Name(), "Late");
    EXPECT_EQ(list.Items(2), nullptr);
    EXPECT_EQ(list.Items(-1), nullptr);
}

TEST(TkxRegDefsListBuild, NothingBeforeBuildAndBuildingTwiceAddsNothing) {
    TkxRegDefsList list;
    list.SetText("[5]\nName=X\n");
    EXPECT_FALSE(list.IsBuilt());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Items(0), nullptr);
    list.Build();
    list.Build();
    EXPECT_EQ(list.Count(), 1);
}

TEST(TkxRegDefsListBuild, EEPromCopyMakesANamedTwin) {
    BuiltList built("[100]\nName=Speed\nType=signed short\nMaxValue=3000\nDescr=Motor speed\n"
                    "EEPromCopy=+1024\n"
                    "[200]\nName=Plain\n");
    const auto& list = built.List;
    ASSERT_EQ(list.Count(), 3);
    const auto* twin = list.FindByAddress(1124);
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->Name(), "EESpeed");
    EXPECT_EQ(twin->TypeToString(), "signed short");
    EXPECT_TRUE(twin->MaxDefined());
    EXPECT_EQ(twin->MaxValue(), 3000.0);
    EXPECT_EQ(twin->GetDescr(-1), "Motor speed");
    EXPECT_EQ(twin->EEPromCopy(), 1124);
    EXPECT_EQ(list.IndexOfAddress(1124), 2);
    EXPECT_EQ(list.IndexOfName("EESpeed"), 2);
}

TEST(TkxRegDefsListBuild, CopyOntoItsOwnAddressMakesNoTwin) {
    BuiltList built("[7]\nEEPromCopy=7\n[8]\nEEPromCopy=+0\n");
    EXPECT_EQ(built.List.Count(), 2);
}

TEST(TkxRegDefsListLookup, LaterOfDuplicatedAddressesWins) {
    // The twin of 10 lands on 20, where the file has a register of its own.
    BuiltList built("[20]\nName=Own\n[10]\nName=Src\nEEPromCopy=20\n");
    const auto& list = built.List;
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.FindByAddress(20)->Name(), "EESrc");
    EXPECT_EQ(list.IndexOfAddress(20), 2);
    EXPECT_EQ(list.IndexOfAddress(21), -1);
    EXPECT_EQ(list.FindByAddress(21), nullptr);
}

TEST(TkxRegDefsListLookup, NamesCompareExactly) {
    BuiltList built("[1]\nName=Speed\n");
    EXPECT_EQ(built.List.IndexOfName("Speed"), 0);
    EXPECT_EQ(built.List.IndexOfName("speed"), -1);
    EXPECT_EQ(built.List.IndexOfName("Speed "), -1);
}

TEST(TkxRegDefsListLookup, DescriptionsAddedOnlyToItsOwnDefinitions) {
    BuiltList built("[1]\nName=Frame\nDescr[0m0v2]=Two\n");
    BuiltList other("[1]\nName=Frame\n");
    const TkxRegDefinition* frame = built.List.FindByAddress(1);
    EXPECT_TRUE(built.List.SetDescription(frame, "Descr[0m0v7]", "Seven"));
    EXPECT_EQ(frame->GetValueDescr(7, 0, 0, false), "Seven");
    // Another spelling of a key replaces its entry; an empty text removes it.
    EXPECT_TRUE(built.List.SetDescription(frame, "descr[0M0V2]", "Deux"));
    EXPECT_EQ(frame->GetValueDescr(2, 0, 0, false), "Deux");
    EXPECT_EQ(frame->Descriptions().size(), 2u);
    EXPECT_TRUE(built.List.SetDescription(frame, "Descr[0m0v7]", ""));
    EXPECT_EQ(frame->GetValueDescr(7, 0, 0, false), "");
    EXPECT_FALSE(built.List.SetDescription(other.List.FindByAddress(1), "Descr", "Foreign"));
    EXPECT_FALSE(built.List.SetDescription(nullptr, "Descr", "None"));
    EXPECT_EQ(other.List.FindByAddress(1)->GetDescr(-1), "Frame");
}

TEST(TkxRegDefsListLayout, LongInTheMiddle) {
    BuiltList built(kShortLongShort);
    const auto& list = built.List;
    EXPECT_EQ(list.OffsetOf(0), 0);
    EXPECT_EQ(list.OffsetOf(1), 2);
    EXPECT_EQ(list.OffsetOf(3), 6);
    EXPECT_EQ(list.OffsetOf(4), 8);
    // Address 2 is the long's second word: the four registers are eight bytes on the wire.
    EXPECT_EQ(list.RangeBytes(0, 4), 8);
    EXPECT_EQ(list.RangeBytes(1, 1), 4);
    EXPECT_EQ(list.RangeBytes(2, 2), 4);
    EXPECT_EQ(list.OffsetOf(2), 4);
    EXPECT_EQ(list.BufferSize(), 8);
}

// The buffer is the wire image: a range's bytes are its 16-bit registers, the words of a wider
// definition included once, so a view of any range holds the bytes a device sends for it.
TEST(TkxRegDefsListLayout, RangesAreTheWireImage) {
    BuiltList built("[10]\nName=Hours\nType=unsigned long\n[12]\nName=A\n"
                    "[13]\nName=Day\nType=date\n[16]\nName=Tag\nType=string\nLength=3\n"
                    "[19]\nName=B\n[25]\nName=C\n");
    const auto& list = built.List;
    struct Case {
        int Start, Count, Offset, Bytes;
    };
    const Case cases[] = {
        {10, 1, 0, 4},   // the long alone is both its words
        {10, 2, 0, 4},   // ... and so is the range of both
        {10, 3, 0, 6},   // the definition at 12 follows it
        {11, 2, 2, 4},   // from the long's second word
        {12, 1, 4, 2},   // the plain register
        {13, 1, 6, 6},   // the date's three words
        {14, 2, 8, 4},   // inside the date
        {10, 10, 0, 20}, // a long, a short, a date, a string of three, a short
        {16, 1, 12, 6},  // the string
        {18, 2, 16, 4},  // its last character and B
        {19, 7, 18, 14}, // addresses of no definition count a word each
        {25, 1, 20, 2},  // the last definition
        {26, 1, 22, 2},  // beyond it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.OffsetOf(c.Start), c.Offset) << c.Start;
        EXPECT_EQ(list.RangeBytes(c.Start, c.Count), c.Bytes) << c.Start << "/" << c.Count;
    }
    // From 0 to the last definition, with the words of no definition.
    EXPECT_EQ(list.BufferSize(), 2 * 26);
}

TEST(TkxRegDefsListLayout, ArraysDatesAndStrings) {
    BuiltList built("[0]\nType=string\nLength=16\n[16]\nType=date\n[17]\nType=time\nLength=2\n");
    const auto& list = built.List;
    EXPECT_EQ(list.OffsetOf(16), 32);
    EXPECT_EQ(list.OffsetOf(17), 38);
    // The date at 16 and the time at 17 overlap; each takes its own bytes.
    EXPECT_EQ(list.BufferSize(), 32 + 6 + 12);
    EXPECT_EQ(list.RangeBytes(16, 2), 4 + 4 + 10);
}

TEST(TkxRegDefsListLayout, NoDefinitionsNoBuffer) {
    BuiltList built("[Versions]\nVersions=QX440v*\n");
    EXPECT_EQ(built.List.BufferSize(), 0);
    EXPECT_EQ(built.List.OffsetOf(100), 0);
    EXPECT_EQ(built.List.RangeBytes(0, 3), 6);
}

TEST(TkxRegDefsListLayout, DuplicatedAddressesStillFitTheBuffer) {
    // Both definitions at 0 take their own bytes, so the register at 1 starts at byte 4.
    BuiltList built("[0]\nName=A\n[0]\nName=B\n[1]\nName=C\n");
    const auto& list = built.List;
    ASSERT_EQ(list.Count(), 3);
    const int end = list.OffsetOf(1) + static_cast<int>(list.FindByAddress(1)->TotalBytes());
    EXPECT_EQ(end, 6);
    EXPECT_GE(list.BufferSize(), end);
    // On the wire the address is one word, whichever definition reads it.
    EXPECT_EQ(list.RangeBytes(0, 1), 2);
    EXPECT_EQ(list.RangeBytes(0, 2), 4);
}

TEST(TkxRegDefsListText, VersionsCategoriesAndDescription) {
    TkxRegDefsList list;
    list.SetText("[Versions]\nVersions=QX440v*, QX440-*v*\nVerDescr=\"QX440 drives\"\n"
                 "[Categories]\nActState=100/110,120\n");
    EXPECT_EQ(list.GetVersions(), "QX440v*, QX440-*v*");
    EXPECT_EQ(list.GetVersionDescr(), "QX440 drives");
    EXPECT_EQ(list.GetCategory("ActState"), "100/110,120");
    EXPECT_EQ(list.GetCategory("actstate"), "");
    EXPECT_EQ(list.VersionPatterns(), (Strings{"QX440v*", "QX440-*v*"}));
}

TEST(TkxRegDefsListText, CategoryBlocksFollowTheCategoryText) {
    TkxRegDefsList list;
    list.SetText("[Categories]\nActState=100/110,120\nEmpty=\n");
    const auto blocks = list.CategoryBlocks("ActState");
    ASSERT_NE(blocks, nullptr);
    EXPECT_EQ(blocks->Start(), 120);
    EXPECT_EQ(blocks->Count(), 1);
    ASSERT_NE(blocks->Next(), nullptr);
    EXPECT_EQ(blocks->Next()->Start(), 100);
    EXPECT_EQ(blocks->Next()->Count(), 11);
    EXPECT_EQ(list.CategoryBlocks("Empty"), nullptr);
    EXPECT_EQ(list.CategoryBlocks("Missing"), nullptr);
    EXPECT_EQ(list.CategoryBlocks("actstate"), nullptr);
}

TEST(TkxRegDefsListText, MaxBufferSizeIsClamped) {
    const auto maxOf = [](std::string_view text) {
        TkxRegDefsList list;
        list.SetText(text);
        return list.MaxBufferSize();
    };
    EXPECT_EQ(maxOf("[DataModel]\nMaxBufferSize=300\n"), 256);
    EXPECT_EQ(maxOf("[DataModel]\nMaxBufferSize=5\n"), 20);
    EXPECT_EQ(maxOf("[DataModel]\nMaxBufferSize=-7\n"), 20);
    EXPECT_EQ(maxOf("[DataModel]\nMaxBufferSize=0x80\n"), 128);
    EXPECT_EQ(maxOf("[DataModel]\n"), 20);
}

TEST(TkxRegDefsListVersions, SupportsAnyListedPattern) {
    TkxRegDefsList list;
    list.SetText("[Versions]\nVersions=QX460v3*,QX460v4*\n");
    const TkxVersionRecord v3("QX460v301");
    const TkxVersionRecord v4("QX460v400");
    const TkxVersionRecord v5("QX460v500");
    EXPECT_TRUE(list.SupportsVersion(&v3));
    EXPECT_TRUE(list.SupportsVersion(&v4));
    EXPECT_FALSE(list.SupportsVersion(&v5));
    EXPECT_FALSE(list.SupportsVersion(nullptr));
}

TEST(TkxRegDefsListVersions, BlankInsidePatternNeedsQuotes) {
    const TkxVersionRecord device("QX440-2Av123");
    TkxRegDefsList list;
    list.SetText("[Versions]\nVersions=\"QX440-2*v*\"\n");
    EXPECT_TRUE(list.SupportsVersion(&device));
    // Unquoted, the blank splits the item, and neither half covers a device with letters.
    list.SetText("[Versions]\nVersions=QX440-2 *v*\n");
    EXPECT_EQ(list.VersionPatterns(), (Strings{"QX440-2", "*v*"}));
    EXPECT_FALSE(list.SupportsVersion(&device));
}

TEST(TkxRegDefsListVersions, NoVersionsSupportsNothing) {
    TkxRegDefsList list;
    const TkxVersionRecord device("QX440v123");
    EXPECT_FALSE(list.SupportsVersion(&device));
    list.SetText("[Versions]\nVersions=QX440v1**, QX4a0\n");
    EXPECT_FALSE(list.SupportsVersion(&device));
}

TEST(TkxCommaText, SeparatorsBlanksAndQuotes) {
    EXPECT_EQ(SplitCommaText(""), Strings{});
    EXPECT_EQ(SplitCommaText("   "), Strings{});
    EXPECT_EQ(SplitCommaText("a,b"), (Strings{"a", "b"}));
    EXPECT_EQ(SplitCommaText(" a , b "), (Strings{"a", "b"}));
    EXPECT_EQ(SplitCommaText("a b"), (Strings{"a", "b"}));
    EXPECT_EQ(SplitCommaText("a,,b"), (Strings{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a,"), (Strings{"a", ""}));
    EXPECT_EQ(SplitCommaText(",a"), (Strings{"", "a"}));
    EXPECT_EQ(SplitCommaText("\"x y\",z"), (Strings{"x y", "z"}));
    EXPECT_EQ(SplitCommaText("\"a\"\"b\""), (Strings{"a\"b"}));
    EXPECT_EQ(SplitCommaText("\"open, end"), (Strings{"open, end"}));
    EXPECT_EQ(SplitCommaText("\"q\"x"), (Strings{"q", "x"}));
}

} // namespace
