#include "registers/tkxcodepage.h"

#include <gtest/gtest.h>

namespace {

TEST(TkxCodePage, EveryByteSurvivesUtf8AndBack) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(TkxCodePage, EncodesTheWindowsRangeByItsUnicodeCharacters) {
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(AnsiToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");     // e acute
    EXPECT_EQ(AnsiToUtf8("\x81"), "\xC2\x81");     // unassigned byte as its C1 control
    EXPECT_EQ(AnsiToUtf8("abc"), "abc");
}

TEST(TkxCodePage, CharactersWithoutAnAnsiFormBecomeTheReplacement) {
    EXPECT_EQ(Utf8ToAnsi("\xE2\x88\x9E"), "\xBF");     // infinity sign
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80"), "\xBF"); // four-byte emoji
    EXPECT_EQ(Utf8ToAnsi("\xC2\x80"), "\xBF");         // C1 control that 0x80 does not stand for
    char c = 0;
    EXPECT_FALSE(UnicodeToAnsi(0x221E, c));
    EXPECT_TRUE(UnicodeToAnsi(0x20AC, c));
    EXPECT_EQ(c, '\x80');
}

TEST(TkxCodePage, MalformedSequencesBecomeOneReplacementEach) {
    EXPECT_EQ(Utf8ToAnsi("a\x80z"), "a\xBFz");                     // stray continuation byte
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a\xBF");                       // truncated at the end
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82z"), "\xBFz");                   // truncated three-byte sequence
    EXPECT_EQ(Utf8ToAnsi("\xC0\xAF"), "\xBF\xBF");                 // overlong "/" is two bad bytes
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "\xBF\xBF\xBF");         // surrogate half
    EXPECT_EQ(Utf8ToAnsi("\xF4\x90\x80\x80"), "\xBF\xBF\xBF\xBF"); // above U+10FFFF
    EXPECT_EQ(Utf8ToAnsi("\xFF"), "\xBF");
}

} // namespace
