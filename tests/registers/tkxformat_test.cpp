#include "base/tkxerror.h"
#include "registers/tkxformatcls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

double Date(int year, int month, int day) {
    double value = 0.0;
    EXPECT_TRUE(TkxFormat::TryEncodeDate(year, month, day, value));
    return value;
}

double Time(int hour, int minute, int second) {
    double value = 0.0;
    EXPECT_TRUE(TkxFormat::TryEncodeTime(hour, minute, second, 0, value));
    return value;
}

TEST(TkxFormatFloat, PlaceholdersAndLiterals) {
    EXPECT_EQ(TkxFormat::FormatFloat("000.0'V'", 12.34), "012.3V");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.0###", 0.5), "0.5");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.0###", 0.123456), "0.1235");
    EXPECT_EQ(TkxFormat::FormatFloat("#0's'", 0), "0s");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.00's'", 1.5), "1.50s");
    EXPECT_EQ(TkxFormat::FormatFloat("##0'%'", 7), "7%");
    EXPECT_EQ(TkxFormat::FormatFloat("#0'\xB0"
                                     "C'",
                                     -12),
              "-12\xB0"
              "C");
    EXPECT_EQ(TkxFormat::FormatFloat("\"x=\"0", 3), "x=3");
}

TEST(TkxFormatFloat, IntegerDigitsBeyondThePlaceholdersAreAllPrinted) {
    EXPECT_EQ(TkxFormat::FormatFloat("#0'rpm'", 123456), "123456rpm");
    EXPECT_EQ(TkxFormat::FormatFloat("0", 1e20), "100000000000000000000");
    EXPECT_EQ(TkxFormat::FormatFloat("#", 0), "");
    EXPECT_EQ(TkxFormat::FormatFloat("#.##", 3), "3");
    EXPECT_EQ(TkxFormat::FormatFloat(".00", 12.5), "12.50");
}

TEST(TkxFormatFloat, RoundsToThePlaceholdersAfterThePoint) {
    EXPECT_EQ(TkxFormat::FormatFloat("#0.0", 0.25), "0.3");
    EXPECT_EQ(TkxFormat::FormatFloat("#0", 2.5), "3");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.00", 9.999), "10.00");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.00", 0.285), "0.29");
    EXPECT_EQ(TkxFormat::FormatFloat("0.0", 0.0004), "0.0");
    EXPECT_EQ(TkxFormat::FormatFloat("0", 0.5), "1");
    EXPECT_EQ(TkxFormat::FormatFloat("0.000", 0.0005), "0.001");
    // A value that rounds to zero shows no minus sign.
    EXPECT_EQ(TkxFormat::FormatFloat("#0.0", -0.04), "0.0");
    EXPECT_EQ(TkxFormat::FormatFloat("#0.0", -0.06), "-0.1");
}

TEST(TkxFormatFloat, ThousandsGroupingUsesTheFixedSeparator) {
    EXPECT_EQ(TkxFormat::FormatFloat("#,##0.00", 1234567.891), "1'234'567.89");
    EXPECT_EQ(TkxFormat::FormatFloat("#,##0", 999), "999");
    EXPECT_EQ(TkxFormat::FormatFloat("#,##0", -1000), "-1'000");
}

TEST(TkxFormatFloat, SectionsPickPositiveNegativeAndZero) {
    EXPECT_EQ(TkxFormat::FormatFloat("True;True;False", 5), "True");
    EXPECT_EQ(TkxFormat::FormatFloat("True;True;False", -5), "True");
    EXPECT_EQ(TkxFormat::FormatFloat("True;True;False", 0), "False");
    EXPECT_EQ(TkxFormat::FormatFloat("0.0;(0.0)", -2.5), "(2.5)");
    EXPECT_EQ(TkxFormat::FormatFloat("0.0;;'zero'", -2.5), "-2.5");
    EXPECT_EQ(TkxFormat::FormatFloat("0.0;-0.0;'zero'", 0.01), "zero");
    EXPECT_EQ(TkxFormat::FormatFloat("0;0;zero;ignored", 0), "zero");
    EXPECT_EQ(TkxFormat::FormatFloat("'a;b'0", 1), "a;b1");
}

TEST(TkxFormatFloat, MalformedPicturesPrintSomething) {
    EXPECT_EQ(TkxFormat::FormatFloat("0'unclosed", 4), "4unclosed");
    EXPECT_EQ(TkxFormat::FormatFloat(";", -3), "-3");
    EXPECT_EQ(TkxFormat::FormatFloat("0.0.0", 1.25), "1.2.5");
    EXPECT_EQ(TkxFormat::FormatFloat("0." + std::string(50, '0'), 1).size(), 52U);
    EXPECT_EQ(TkxFormat::FormatFloat("0", std::nan("")), "NAN");
    EXPECT_EQ(TkxFormat::FormatFloat("0", -INFINITY), "-INF");
    EXPECT_FALSE(TkxFormat::FormatFloat("0", 1e308).empty());
}

TEST(TkxFormatFloat, EmptyPictureGivesTheShortestGeneralForm) {
    EXPECT_EQ(TkxFormat::FormatFloat("", 0.5), "0.5");
    EXPECT_EQ(TkxFormat::FormatFloat("", -12), "-12");
    EXPECT_EQ(TkxFormat::FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(TkxFormat::FloatToStr(1e20), "1E20");
    EXPECT_EQ(TkxFormat::FloatToStr(1.5e-5), "1.5E-5");
}

TEST(TkxFormatDateTime, EncodesAndDecodesDayNumbers) {
    EXPECT_EQ(Date(1899, 12, 30), 0.0);
    EXPECT_EQ(Date(2003, 5, 12), 37753.0);
    EXPECT_DOUBLE_EQ(Time(12, 0, 0), 0.5);
    double unused = 0.0;
    EXPECT_FALSE(TkxFormat::TryEncodeDate(2003, 2, 29, unused));
    EXPECT_TRUE(TkxFormat::TryEncodeDate(2004, 2, 29, unused));
    EXPECT_FALSE(TkxFormat::TryEncodeDate(0, 1, 1, unused));
    EXPECT_FALSE(TkxFormat::TryEncodeTime(24, 0, 0, 0, unused));
    EXPECT_FALSE(TkxFormat::TryEncodeTime(0, 60, 0, 0, unused));

    TkxDateTimeParts parts;
    ASSERT_TRUE(TkxFormat::TryDecodeDateTime(Date(1951, 1, 31) + Time(14, 5, 9), parts));
    EXPECT_EQ(parts.Year, 1951);
    EXPECT_EQ(parts.Month, 1);
    EXPECT_EQ(parts.Day, 31);
    EXPECT_EQ(parts.Hour, 14);
    EXPECT_EQ(parts.Minute, 5);
    EXPECT_EQ(parts.Second, 9);
    EXPECT_FALSE(TkxFormat::TryDecodeDateTime(std::nan(""), parts));
    EXPECT_FALSE(TkxFormat::TryDecodeDateTime(1e10, parts));
    EXPECT_FALSE(TkxFormat::TryDecodeDateTime(-1e10, parts));
}

TEST(TkxFormatDateTime, DaysBefore1900KeepTheirTimeOfDay) {
    TkxDateTimeParts parts;
    ASSERT_TRUE(TkxFormat::TryDecodeDateTime(-1.25, parts));
    EXPECT_EQ(parts.Day, 29);
    EXPECT_EQ(parts.Hour, 6);
    double value = 0.0;
    ASSERT_TRUE(TkxFormat::TryStrToDateTime("29/12/1899 06:00", value));
    EXPECT_DOUBLE_EQ(value, -1.25);
}

TEST(TkxFormatDateTime, Pictures) {
    const double value = Date(2003, 5, 12) + Time(14, 5, 9);
    EXPECT_EQ(TkxFormat::FormatDateTime("dd/mm/yy", value), "12/05/03");
    EXPECT_EQ(TkxFormat::FormatDateTime("hh:mm:ss", value), "14:05:09");
    EXPECT_EQ(TkxFormat::FormatDateTime("d.m.yyyy h:n", value), "12.5.2003 14:5");
    EXPECT_EQ(TkxFormat::FormatDateTime("HH'h'MM", value), "14h05");
    EXPECT_EQ(TkxFormat::FormatDateTime("mm hh mm", value), "05 14 05");
    EXPECT_EQ(TkxFormat::FormatDateTime("dddd", value), "1212");
    EXPECT_EQ(TkxFormat::FormatDateTime("'unclosed", value), "unclosed");
    EXPECT_EQ(TkxFormat::FormatDateTime("dd", std::nan("")), "");
}

TEST(TkxFormatDateTime, EmptyPictureLeavesOutMidnightAndTheZeroDate) {
    EXPECT_EQ(TkxFormat::FormatDateTime("", Date(2003, 5, 12)), "12/05/2003");
    EXPECT_EQ(TkxFormat::FormatDateTime("", Date(2003, 5, 12) + Time(8, 0, 1)),
              "12/05/2003 08:00:01");
    EXPECT_EQ(TkxFormat::DateTimeToStr(Time(14, 5, 9)), "14:05:09");
    EXPECT_EQ(TkxFormat::DateTimeToStr(0.0), "30/12/1899");
}

TEST(TkxFormatDateTime, ParsesDatesTimesAndBoth) {
    double value = 0.0;
    ASSERT_TRUE(TkxFormat::TryStrToDateTime("12/05/03", value));
    EXPECT_EQ(value, Date(2003, 5, 12));
    ASSERT_TRUE(TkxFormat::TryStrToDateTime("1/1/51", value));
    EXPECT_EQ(value, Date(1951, 1, 1));
    ASSERT_TRUE(TkxFormat::TryStrToDateTime("1/1/0051", value));
    EXPECT_EQ(value, Date(51, 1, 1));
    ASSERT_TRUE(TkxFormat::TryStrToDateTime(" 14:05:09 ", value));
    EXPECT_DOUBLE_EQ(value, Time(14, 5, 9));
    ASSERT_TRUE(TkxFormat::TryStrToDateTime("12/05/2003  14:05", value));
    EXPECT_DOUBLE_EQ(value, Date(2003, 5, 12) + Time(14, 5, 0));
}

TEST(TkxFormatDateTime, RejectsTextThatIsNoDateOrTime) {
    double value = 7.0;
    for (const char* text : {"", "  ", "12", "31/02/2003", "1/2/3/4", "25:00", "12:5x",
                             "12/05/2003 14:05 x", "/5/3", "12345/1/1", "-1/2/3"}) {
        EXPECT_FALSE(TkxFormat::TryStrToDateTime(text, value)) << text;
    }
    EXPECT_EQ(value, 7.0);
    EXPECT_THROW(TkxFormat::StrToDateTime("soon"), ETkxError);
}

TEST(TkxFormatPrintf, IntegerConversionsAre32BitsLikeTheDefinitionFiles) {
    EXPECT_EQ(TkxFormat::Printf("%d", {42}), "42");
    EXPECT_EQ(TkxFormat::Printf("%ld (%lXh)", {-5, -5}), "-5 (FFFFFFFBh)");
    EXPECT_EQ(TkxFormat::Printf("%lu (%lXh)", {1792U, 1792U}), "1792 (700h)");
    EXPECT_EQ(TkxFormat::Printf("%u", {-1}), "4294967295");
    EXPECT_EQ(TkxFormat::Printf("%d", {4294967295U}), "-1");
    EXPECT_EQ(TkxFormat::Printf("%lld", {int64_t{1} << 40}), "1099511627776");
    EXPECT_EQ(TkxFormat::Printf("%hd %hhu", {70000, 300}), "4464 44");
    EXPECT_EQ(TkxFormat::Printf("%x %o %#x", {255, 8, 255}), "ff 10 0xff");
}

TEST(TkxFormatPrintf, WidthsFlagsAndPrecision) {
    EXPECT_EQ(TkxFormat::Printf("[%03d]", {7}), "[007]");
    EXPECT_EQ(TkxFormat::Printf("[%-5d|%5d|%+d]", {1, 2, 3}), "[1    |    2|+3]");
    EXPECT_EQ(TkxFormat::Printf("%-6s:", {"ab"}), "ab    :");
    EXPECT_EQ(TkxFormat::Printf("%6s:", {"ab"}), "    ab:");
    EXPECT_EQ(TkxFormat::Printf("%.2s", {"abcdef"}), "ab");
    EXPECT_EQ(TkxFormat::Printf("%*s|%-*d|", {4, "x", 3, 1}), "   x|1  |");
    EXPECT_EQ(TkxFormat::Printf("%*d", {-3, 1}), "1  ");
    EXPECT_EQ(TkxFormat::Printf("%.4lf|%.4lf", {1.5, -0.25}), "1.5000|-0.2500");
    EXPECT_EQ(TkxFormat::Printf("%4d%%", {50}), "  50%");
    EXPECT_EQ(TkxFormat::Printf("%c%c", {'O', 75}), "OK");
    EXPECT_EQ(TkxFormat::Printf("%.3d", {5}), "005");
}

TEST(TkxFormatPrintf, ArgumentsOfAnotherKindAreConverted) {
    EXPECT_EQ(TkxFormat::Printf("%s", {12}), "12");
    EXPECT_EQ(TkxFormat::Printf("%s", {0.5}), "0.5");
    EXPECT_EQ(TkxFormat::Printf("%d", {"0x10"}), "16");
    EXPECT_EQ(TkxFormat::Printf("%d", {"2.9"}), "2");
    EXPECT_EQ(TkxFormat::Printf("%d", {"abc"}), "0");
    EXPECT_EQ(TkxFormat::Printf("%d", {2.9}), "2");
    EXPECT_EQ(TkxFormat::Printf("%.1f", {3}), "3.0");
}

TEST(TkxFormatPrintf, MalformedFormatsNeverReadPastTheArguments) {
    EXPECT_EQ(TkxFormat::Printf("%d and %d", {1}), "1 and %d");
    EXPECT_EQ(TkxFormat::Printf("%s", {}), "%s");
    EXPECT_EQ(TkxFormat::Printf("%*d", {5}), "%*d");
    EXPECT_EQ(TkxFormat::Printf("100%", {}), "100%");
    EXPECT_EQ(TkxFormat::Printf("%n%q%5", {1}), "%n%q%5");
    EXPECT_EQ(TkxFormat::Printf("%ll", {1}), "%ll");
    EXPECT_EQ(TkxFormat::Printf("%d", {1, 2, 3}), "1");
    // Widths and precisions from a file cannot ask for unbounded output.
    EXPECT_EQ(TkxFormat::Printf("%999999999999d", {1}).size(),
              static_cast<std::size_t>(TkxFormat::MaxWidth));
    EXPECT_EQ(TkxFormat::Printf("%.999999999f", {1.0}).size(),
              static_cast<std::size_t>(TkxFormat::MaxWidth) + 2);
    EXPECT_EQ(TkxFormat::Printf("%*d", {int64_t{1} << 40, 1}).size(),
              static_cast<std::size_t>(TkxFormat::MaxWidth));
}

} // namespace
